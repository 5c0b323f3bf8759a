#include "tools/layout/column_layout.hpp"

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

namespace borgo::tools::layout {
namespace {

struct Line {
  std::size_t start = 0;
  std::size_t length = 0;  // without the line end
  bool frozen = false;     // touched by quoted text: left as it is
};

// Lines as the field reader counts them: CR LF, a lone LF or a lone CR.
std::vector<Line> lines_of(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back({start, i - start});
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back({start, text.size() - start});
  return lines;
}

// Quoted text keeps its blanks and commas, and may span lines. Which quote
// opens a field is the reader's to tell, so every line from one quote to the
// next is left alone: wider than needed, never too narrow.
void freeze_quoted(std::string_view text, std::vector<Line>& lines) {
  std::optional<std::size_t> after_quote;  // the line of the last quote seen
  std::size_t line = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    while (line + 1 < lines.size() && i >= lines[line + 1].start) ++line;
    if (text[i] != '"') continue;
    const std::size_t from = after_quote.value_or(line);
    for (std::size_t l = from; l <= line && l < lines.size(); ++l) lines[l].frozen = true;
    after_quote = line;
  }
  // A last quote may open text that runs to the end.
  if (after_quote) {
    for (std::size_t l = *after_quote; l < lines.size(); ++l) lines[l].frozen = true;
  }
}

// A value after a comma: its leading blanks and what follows them, up to the
// next comma or the line's end, less trailing blanks.
struct Value {
  std::size_t blanks = 0;
  std::string_view content;
  std::string_view trailing;  // the blanks after the content
  bool number = false;
  bool placed() const { return blanks > 0 && !content.empty(); }
};

struct Row {
  std::string_view key;  // up to the first comma, as written
  std::vector<Value> values;
};

bool is_number(std::string_view content) {
  std::size_t i = content.starts_with('-') || content.starts_with('+') ? 1 : 0;
  if (i == content.size()) return false;
  for (; i < content.size(); ++i) {
    if (content[i] < '0' || content[i] > '9') return false;
  }
  return true;
}

std::optional<Row> row_of(std::string_view line) {
  if (line.starts_with('[')) return std::nullopt;  // a heading
  std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  Row row{line.substr(0, comma), {}};
  while (comma != std::string_view::npos) {
    const std::size_t begin = comma + 1;
    const std::size_t next = line.find(',', begin);
    std::string_view field =
        line.substr(begin, next == std::string_view::npos ? line.npos : next - begin);
    Value value;
    while (value.blanks < field.size() && field[value.blanks] == ' ') ++value.blanks;
    std::string_view content = field.substr(value.blanks);
    std::size_t kept = content.size();
    while (kept > 0 && content[kept - 1] == ' ') --kept;
    value.content = content.substr(0, kept);
    value.trailing = content.substr(kept);
    value.number = is_number(value.content);
    row.values.push_back(value);
    comma = next;
  }
  return row;
}

// One column of a run of rows: the narrowest gap written, the widest
// number, and whether every value has the same gap: a column written so, as
// the package writes the signals' last one, is laid out already. A column
// where most values share one gap, though their widths differ, is written
// flush left: a value out of line there takes that gap back rather than the
// whole column being pushed into another shape.
struct Column {
  std::size_t gap = 0;
  std::size_t widest_number = 0;
  bool uniform = true;
  std::optional<std::size_t> flush_left_gap;
};

// How many values share the most common of `keys`, and which key that is.
std::pair<std::size_t, std::size_t> most_common(std::vector<std::size_t> keys) {
  std::sort(keys.begin(), keys.end());
  std::pair<std::size_t, std::size_t> best{0, 0};  // count, key
  for (std::size_t i = 0; i < keys.size();) {
    std::size_t j = i;
    while (j < keys.size() && keys[j] == keys[i]) ++j;
    if (j - i > best.first) best = {j - i, keys[i]};
    i = j;
  }
  return best;
}

// The gap a column's values share when they are written flush left: most
// share it, and more of them than share one width (a flush-right column's
// values share their width).
std::optional<std::size_t> flush_left_gap_of(const std::vector<std::size_t>& gaps,
                                             std::vector<std::size_t> widths) {
  const auto [by_gap, gap] = most_common(gaps);
  const auto [by_width, width] = most_common(std::move(widths));
  if (2 * by_gap > gaps.size() && by_gap > by_width) return gap;
  return std::nullopt;
}

std::vector<Column> columns_of(const std::vector<Row>& run) {
  std::vector<Column> columns;
  for (const Row& row : run) columns.resize(std::max(columns.size(), row.values.size()));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    Column& column = columns[i];
    std::vector<const Value*> placed;
    for (const Row& row : run) {
      if (i >= row.values.size() || !row.values[i].placed()) continue;
      const Value& value = row.values[i];
      if (column.gap != 0 && column.gap != value.blanks) column.uniform = false;
      column.gap = column.gap == 0 ? value.blanks : std::min(column.gap, value.blanks);
      if (value.number) column.widest_number = std::max(column.widest_number, value.content.size());
      placed.push_back(&value);
    }
    if (column.uniform) continue;
    // The gaps and widths (a number's gap and digits) of the values, as
    // written and as flush right would write them.
    std::vector<std::size_t> gaps, widths, right_gaps, right_widths;
    for (const Value* value : placed) {
      const std::size_t digits = value->number ? value->content.size() : 0;
      const std::size_t right_gap =
          column.gap + (value->number ? column.widest_number - digits : 0);
      gaps.push_back(value->blanks);
      widths.push_back(value->blanks + digits);
      right_gaps.push_back(right_gap);
      right_widths.push_back(right_gap + digits);
    }
    column.flush_left_gap = flush_left_gap_of(gaps, std::move(widths));
    // A column written flush right must read as flush right again, or a
    // second layout would move it once more: where it would read as flush
    // left, it is written so at once, with the gap it would then take.
    if (!column.flush_left_gap && std::adjacent_find(right_gaps.begin(), right_gaps.end(),
                                                     std::not_equal_to<>()) != right_gaps.end()) {
      column.flush_left_gap = flush_left_gap_of(right_gaps, std::move(right_widths));
    }
  }
  return columns;
}

std::string rendered(const Row& row, const std::vector<Column>& columns) {
  std::string out(row.key);
  for (std::size_t i = 0; i < row.values.size(); ++i) {
    const Value& value = row.values[i];
    out += ',';
    std::size_t blanks = value.blanks;
    const Column& column = columns[i];
    if (value.placed() && column.flush_left_gap) {
      blanks = *column.flush_left_gap;
    } else if (value.placed() && !column.uniform) {
      blanks = column.gap;
      if (value.number) blanks += column.widest_number - value.content.size();
    }
    out.append(blanks, ' ');
    out += value.content;
    out += value.trailing;
  }
  return out;
}

}  // namespace

std::vector<LineChange> column_layout(std::string_view text) {
  std::vector<Line> lines = lines_of(text);
  freeze_quoted(text, lines);
  std::vector<LineChange> changes;
  std::size_t at = 0;
  while (at < lines.size()) {
    // A run: rows one after the other whose keys are equally long.
    std::vector<Row> run;
    const std::size_t first = at;
    while (at < lines.size() && !lines[at].frozen) {
      std::optional<Row> row = row_of(text.substr(lines[at].start, lines[at].length));
      if (!row || (!run.empty() && row->key.size() != run.front().key.size())) break;
      run.push_back(std::move(*row));
      ++at;
    }
    if (run.empty()) {
      ++at;
      continue;
    }
    const std::vector<Column> columns = columns_of(run);
    for (std::size_t r = 0; r < run.size(); ++r) {
      const Line& line = lines[first + r];
      std::string text_now = rendered(run[r], columns);
      if (text_now != text.substr(line.start, line.length)) {
        changes.push_back({first + r, std::move(text_now)});
      }
    }
  }
  return changes;
}

std::string laid_out(std::string_view text) {
  const std::vector<Line> lines = lines_of(text);
  std::string out;
  out.reserve(text.size());
  std::size_t done = 0;  // bytes of `text` copied or replaced
  for (const LineChange& change : column_layout(text)) {
    const Line& line = lines[change.line];
    out.append(text.substr(done, line.start - done));
    out += change.text;
    done = line.start + line.length;
  }
  out.append(text.substr(done));
  return out;
}

}  // namespace borgo::tools::layout
