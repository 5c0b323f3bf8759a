// The preview page: fetches the outcome and the drawing, lays hover marks
// over the drawing, lists the diagnostics, and follows the server's events.
'use strict';

(() => {
  const SVG_NS = 'http://www.w3.org/2000/svg';
  const byId = (id) => document.getElementById(id);
  const pane = byId('drawing');
  const tooltip = byId('tooltip');

  let outcomeShown = 0; // the generation of the outcome on the page
  let drawingShown = 0; // the generation of the drawing on the page
  let svg = null; // the drawing's root element
  let whole = null; // its full view box: [x, y, width, height]
  let view = null; // the view box shown, kept across updates
  let lanes = [0, 0]; // the top and bottom of the lanes along the route axis

  // ---- the view box: zoom and pan ------------------------------------------

  function applyView() {
    if (svg && view) svg.setAttribute('viewBox', view.join(' '));
  }

  function clampView(v) {
    const w = Math.min(whole[2], Math.max(whole[2] / 60, v[2]));
    const h = (w / whole[2]) * whole[3];
    const x = Math.min(whole[0] + whole[2] - w, Math.max(whole[0], v[0]));
    const y = Math.min(whole[1] + whole[3] - h, Math.max(whole[1], v[1]));
    return [x, y, w, h];
  }

  // A point of the window in the drawing's units.
  function toDrawing(clientX, clientY) {
    const ctm = svg.getScreenCTM();
    if (!ctm) return null;
    const p = new DOMPoint(clientX, clientY).matrixTransform(ctm.inverse());
    return [p.x, p.y];
  }

  function showWhole() {
    if (!whole) return;
    view = whole.slice();
    applyView();
  }

  pane.addEventListener(
    'wheel',
    (event) => {
      if (!svg || !view) return;
      event.preventDefault();
      const at = toDrawing(event.clientX, event.clientY);
      if (!at) return;
      const factor = event.deltaY < 0 ? 1 / 1.25 : 1.25;
      const w = view[2] * factor;
      const h = view[3] * factor;
      view = clampView([
        at[0] - ((at[0] - view[0]) * w) / view[2],
        at[1] - ((at[1] - view[1]) * h) / view[3],
        w,
        h,
      ]);
      applyView();
    },
    { passive: false },
  );

  let drag = null;
  pane.addEventListener('pointerdown', (event) => {
    if (!svg || !view || event.button !== 0) return;
    drag = { at: toDrawing(event.clientX, event.clientY), view: view.slice() };
    pane.setPointerCapture(event.pointerId);
    pane.classList.add('dragging');
  });
  pane.addEventListener('pointermove', (event) => {
    if (!drag || !drag.at) return;
    // Measured against the view the drag began with, so that it does not drift.
    svg.setAttribute('viewBox', drag.view.join(' '));
    const now = toDrawing(event.clientX, event.clientY);
    if (!now) return;
    view = clampView([
      drag.view[0] - (now[0] - drag.at[0]),
      drag.view[1] - (now[1] - drag.at[1]),
      drag.view[2],
      drag.view[3],
    ]);
    applyView();
  });
  const endDrag = () => {
    drag = null;
    pane.classList.remove('dragging');
  };
  pane.addEventListener('pointerup', endDrag);
  pane.addEventListener('pointercancel', endDrag);
  pane.addEventListener('dblclick', showWhole);
  byId('whole').addEventListener('click', showWhole);

  // ---- the drawing and its marks ------------------------------------------

  function svgElement(name, attributes) {
    const element = document.createElementNS(SVG_NS, name);
    for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
    return element;
  }

  function placeDrawing(text, generation) {
    const parsed = new DOMParser().parseFromString(text, 'image/svg+xml');
    const root = parsed.documentElement;
    if (root.namespaceURI !== SVG_NS || root.localName !== 'svg') return false;
    const fresh = document.importNode(root, true);
    // The page shows its own tooltips, not the drawing's title.
    for (const title of fresh.querySelectorAll(':scope > title')) title.remove();
    fresh.removeAttribute('width');
    fresh.removeAttribute('height');
    const box = (fresh.getAttribute('viewBox') || '').split(/[\s,]+/).map(Number);
    if (box.length !== 4 || box.some((n) => !Number.isFinite(n))) return false;
    // The reader's zoom stays while the drawing keeps its size.
    const sameSize = whole && whole[2] === box[2] && whole[3] === box[3];
    whole = box;
    view = sameSize && view ? clampView(view) : whole.slice();
    fresh.append(
      svgElement('g', { id: 'unread' }),
      svgElement('g', { id: 'marks' }),
      svgElement('g', { id: 'highlight' }),
    );
    pane.replaceChildren(fresh);
    svg = fresh;
    applyView();
    drawingShown = generation;
    return true;
  }

  function kilometres(feature) {
    return feature.end !== feature.position
      ? `km ${feature.km} to ${feature.end_km}`
      : `km ${feature.km}`;
  }

  function describe(feature) {
    const where =
      feature.end !== feature.position
        ? `${feature.position} m to ${feature.end} m`
        : `${feature.position} m`;
    const cells =
      feature.cells[0] === feature.cells[1]
        ? `cell ${feature.cells[0]}`
        : `cells ${feature.cells[0]} to ${feature.cells[1]}`;
    return [feature.label, `${baseName(feature.file)}:${feature.line}`, `${where}, ${cells}`, kilometres(feature)];
  }

  function showTooltip(lines, event) {
    tooltip.replaceChildren();
    lines.forEach((text, i) => {
      const line = document.createElement('div');
      if (i === 0) line.className = 'title';
      line.textContent = text;
      tooltip.append(line);
    });
    tooltip.hidden = false;
    moveTooltip(event);
  }

  function moveTooltip(event) {
    const x = Math.min(event.clientX + 14, window.innerWidth - tooltip.offsetWidth - 8);
    const y = Math.min(event.clientY + 16, window.innerHeight - tooltip.offsetHeight - 8);
    tooltip.style.left = `${Math.max(4, x)}px`;
    tooltip.style.top = `${Math.max(4, y)}px`;
  }

  function placeMarks(features) {
    const marks = svg.querySelector('#marks');
    marks.replaceChildren();
    for (const feature of features) {
      const lines = describe(feature);
      const data = {
        class: 'mark',
        'data-kind': feature.kind,
        'data-position': String(feature.position),
        'data-line': String(feature.line),
      };
      const shapes = [
        // A little wider than the feature, so that a signal's tick can be
        // caught; neighbours close together take a zoom to tell apart.
        svgElement('rect', {
          ...data,
          x: feature.x0 - 1.5,
          y: feature.y0,
          width: Math.max(0, feature.x1 - feature.x0) + 3,
          height: feature.y1 - feature.y0,
        }),
      ];
      if (feature.plan) {
        shapes.push(svgElement('circle', { ...data, cx: feature.plan[0], cy: feature.plan[1], r: 6 }));
      }
      for (const shape of shapes) {
        shape.addEventListener('pointerenter', (event) => showTooltip(lines, event));
        shape.addEventListener('pointermove', moveTooltip);
        shape.addEventListener('pointerleave', () => {
          tooltip.hidden = true;
        });
        marks.append(shape);
      }
    }
  }

  // Where the compile stopped: "Costa_R 12-.txt:17".
  function stopPlace(stopped) {
    return `${baseName(stopped.file)}:${stopped.line}`;
  }

  // Shades the lanes the compile did not read, under the marks of what it did.
  function placeUnread(stopped) {
    const layer = svg.querySelector('#unread');
    layer.replaceChildren();
    if (!stopped || stopped.x1 <= stopped.x0) return;
    const shade = svgElement('rect', {
      class: 'unread',
      x: stopped.x0,
      y: lanes[0],
      width: stopped.x1 - stopped.x0,
      height: lanes[1] - lanes[0],
    });
    const lines = [`not read: the compile stopped at ${stopPlace(stopped)}`];
    shade.addEventListener('pointerenter', (event) => showTooltip(lines, event));
    shade.addEventListener('pointermove', moveTooltip);
    shade.addEventListener('pointerleave', () => {
      tooltip.hidden = true;
    });
    layer.append(shade);
  }

  function stopNotice(stopped) {
    const at =
      `The compile stopped at ${stopPlace(stopped)} (error ${stopped.number}): the drawing ` +
      'stops at that row, as nothing after it was read';
    if (!stopped.train_read) {
      return `${at}, the train description not at all; the shading covers the whole line.`;
    }
    if (stopped.position === null) return `${at}; the shading covers the whole line.`;
    return `${at}; the shading covers the line from ${stopped.position} m on.`;
  }

  // Marks a diagnostic's place on the drawing and brings it into view.
  function highlight(place) {
    if (!svg) return;
    const layer = svg.querySelector('#highlight');
    layer.replaceChildren();
    const x0 = Math.min(place.x0, place.x1) - 5;
    const width = Math.abs(place.x1 - place.x0) + 10;
    layer.append(
      svgElement('rect', { class: 'highlight', x: x0, y: lanes[0], width, height: lanes[1] - lanes[0] }),
    );
    if (place.plan) {
      layer.append(svgElement('circle', { class: 'highlight', cx: place.plan[0], cy: place.plan[1], r: 12 }));
    }
    const centre = x0 + width / 2;
    if (centre < view[0] || centre > view[0] + view[2]) {
      view = clampView([centre - view[2] / 2, view[1], view[2], view[3]]);
      applyView();
    }
    layer.firstChild.scrollIntoView({ block: 'nearest', inline: 'nearest', behavior: 'smooth' });
  }

  // ---- the outcome ---------------------------------------------------------

  function setStatus(text, kind) {
    const status = byId('status');
    status.textContent = text;
    status.className = `badge ${kind}`;
  }

  function baseName(path) {
    return path.split(/[\\/]/).pop();
  }

  // How many characters of the block's monospace text fit in a line of it.
  function columnsOf(block) {
    const probe = document.createElement('span');
    probe.textContent = '0'.repeat(40);
    block.append(probe);
    const width = probe.getBoundingClientRect().width / 40;
    probe.remove();
    const style = getComputedStyle(block);
    const inside = block.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
    return width > 0 ? Math.floor(inside / width) : 0;
  }

  // The source line and its caret line, cut into pieces that fit the block,
  // each piece of the caret under its piece of the source: wrapping each on
  // its own would part the caret from its character, and a block that
  // scrolls would hide the field at fault past its edge.
  function wrapSource(block, d) {
    const margin = String(d.line).padStart(6);
    const source = Array.from(d.source);
    const caret = Array.from(d.caret);
    const width = Math.max(16, columnsOf(block) - margin.length - 3);
    const lines = [];
    for (let at = 0; at === 0 || at < Math.max(source.length, caret.length); at += width) {
      lines.push(`${at === 0 ? margin : ' '.repeat(margin.length)} | ${source.slice(at, at + width).join('')}`);
      const under = caret.slice(at, at + width).join('');
      if (under.trim()) lines.push(`${' '.repeat(margin.length)} | ${under}`);
    }
    block.textContent = lines.join('\n');
    block.diagnostic = d;
  }

  // A change of the text's size changes what fits.
  window.addEventListener('resize', () => {
    for (const block of document.querySelectorAll('#diagnostics pre.source')) {
      wrapSource(block, block.diagnostic);
    }
  });

  function showDiagnostics(diagnostics) {
    const list = byId('diagnostics');
    list.replaceChildren();
    byId('no-diagnostics').hidden = diagnostics.length > 0;
    for (const d of diagnostics) {
      const item = document.createElement('li');
      item.className = d.severity;
      item.dataset.number = String(d.number);
      const label = document.createElement('span');
      label.className = 'label';
      label.textContent = d.severity === 'error' ? `error ${d.number}` : d.severity;
      item.append(label);
      if (d.file) {
        const where = document.createElement('span');
        where.className = 'where';
        where.title = d.file;
        where.textContent = d.line > 0 ? `${baseName(d.file)}:${d.line}:${d.column}` : baseName(d.file);
        item.append(where);
      }
      const message = document.createElement('div');
      message.className = 'message';
      message.textContent = d.message;
      item.append(message);
      let source = null;
      if (d.source) {
        source = document.createElement('pre');
        source.className = 'source';
        item.append(source);
      }
      if (d.place) {
        item.classList.add('placed');
        item.title = 'Show on the drawing';
        item.addEventListener('click', () => {
          for (const other of list.querySelectorAll('.chosen')) other.classList.remove('chosen');
          item.classList.add('chosen');
          highlight(d.place);
        });
      }
      list.append(item);
      if (source) wrapSource(source, d); // measured once it is on the page
    }
  }

  function showOutcome(outcome) {
    byId('title').textContent = `${outcome.line} \u00b7 ${outcome.train}`;
    document.title = `${outcome.line} \u00b7 ${outcome.train} \u2014 preview`;
    if (outcome.error_number === null) setStatus('not compiled', 'error');
    else if (outcome.fatal) setStatus(`fatal ${outcome.fatal}`, 'error');
    else if (outcome.error_number) setStatus(`error ${outcome.error_number}`, 'error');
    else if (outcome.diagnostics.length) setStatus('warnings', 'warning');
    else setStatus('clean', 'clean');
    byId('summary').textContent = outcome.summary || '';
    byId('updated').textContent = `build ${outcome.generation}, ${new Date().toLocaleTimeString()}`;

    const problem = byId('problem');
    const drawing = outcome.drawing;
    if (outcome.problem) {
      problem.textContent = drawing
        ? `The drawing is from build ${drawing.generation}, the last good one: ${outcome.problem}`
        : outcome.problem;
    }
    problem.hidden = !outcome.problem;
    const stopped = byId('stopped');
    stopped.textContent = drawing && drawing.stopped ? stopNotice(drawing.stopped) : '';
    stopped.hidden = !(drawing && drawing.stopped);
    if (drawing && svg && drawing.generation === drawingShown) {
      lanes = drawing.lanes;
      placeUnread(drawing.stopped);
      placeMarks(drawing.features);
    }
    showDiagnostics(outcome.diagnostics);
    outcomeShown = outcome.generation;
    document.body.dataset.generation = String(outcome.generation);
  }

  // ---- following the builds -----------------------------------------------

  let fetching = false;
  let again = false;

  async function refresh() {
    if (fetching) {
      again = true;
      return;
    }
    fetching = true;
    try {
      do {
        again = false;
        const response = await fetch('/outcome.json', { cache: 'no-store' });
        if (!response.ok) throw new Error(`outcome: ${response.status}`);
        const outcome = await response.json();
        if (outcome.drawing && outcome.drawing.generation !== drawingShown) {
          const drawing = await fetch('/drawing.svg', { cache: 'no-store' });
          if (drawing.ok) placeDrawing(await drawing.text(), outcome.drawing.generation);
        }
        showOutcome(outcome);
      } while (again);
    } catch (error) {
      setStatus('offline', 'offline');
    } finally {
      fetching = false;
    }
  }

  const events = new EventSource('/events');
  events.addEventListener('message', (event) => {
    if (Number(event.data) !== outcomeShown) refresh();
  });
  events.addEventListener('error', () => setStatus('offline', 'offline'));
  refresh();
})();
