-- Neovim as the language server's client, headless, configured by the
-- README's own snippet ($CONFIG): runs its steps in order against the
-- emitted scenario, stops at the first that fails, and writes what it
-- received as JSON to $RESULT. Written for Neovim 0.7 and later.
local dir, out = os.getenv("SCENARIO"), os.getenv("RESULT")
local result = {}
local published = {}
local line_file = dir .. "/Borgo_Mar_linea.txt"
local train_file = dir .. "/Borgo_Mar_TX 903-.txt"
local buf, id, row

dofile(os.getenv("CONFIG"))
-- The diagnostics as the server sent them, then on to Neovim's own handler.
local shown = vim.lsp.handlers["textDocument/publishDiagnostics"]
vim.lsp.handlers["textDocument/publishDiagnostics"] = function(err, params, ctx, config)
  published[vim.uri_to_fname(params.uri)] = params.diagnostics
  return shown(err, params, ctx, config)
end

local function with_code(diagnostics, code)
  for _, diagnostic in ipairs(diagnostics or {}) do
    if diagnostic.code == code then return diagnostic end
  end
  return nil
end

local function request(method, params)
  local answers = vim.lsp.buf_request_sync(buf, method, params, 10000)
  return answers and answers[id] and answers[id].result
end

local steps = {
  { "open the line description", function()
    vim.cmd("edit " .. vim.fn.fnameescape(line_file))
    buf = vim.api.nvim_get_current_buf()
    assert(vim.wait(20000, function()
      return #vim.lsp.buf_get_clients(buf) > 0 and published[line_file] ~= nil
    end, 10), "the configuration attached no server, or it published nothing")
    id = vim.lsp.buf_get_clients(buf)[next(vim.lsp.buf_get_clients(buf))].id
    result.opened = published[line_file]
  end },
  { "move the speed indicators onto the first signal", function()
    local lines = vim.api.nvim_buf_get_lines(buf, 0, -1, false)
    for i, text in ipairs(lines) do
      if text:find("^indicatori_vmax,%s+1000,") then
        row = i
        break
      end
    end
    assert(row, "no speed indicators at 1000 m")
    local moved = lines[row]:gsub("1000", "1050", 1)
    vim.api.nvim_buf_set_lines(buf, row - 1, row, false, { moved })
    -- The two files' diagnostics come one message each, and either may
    -- still be the set from before the edit: wait until both tell of it.
    assert(vim.wait(20000, function()
      return with_code(published[train_file], 16) and with_code(published[line_file], 16)
    end, 10), "no conflict on both descriptions")
    result.train = published[train_file]
    result.line = published[line_file]
    result.row = row - 1
  end },
  { "hover", function()
    result.hover = request("textDocument/hover", {
      textDocument = { uri = vim.uri_from_bufnr(buf) },
      position = { line = row - 1, character = 19 } })
  end },
  { "complete a key", function()
    vim.api.nvim_buf_set_lines(buf, row, row, false, { "indic" })
    local list = request("textDocument/completion", {
      textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = row, character = 5 } })
    result.completion = {}
    for _, item in ipairs(list and list.items or {}) do
      table.insert(result.completion, item.label)
    end
  end },
  -- The half-typed key, finished with a slip: the row is ignored, and the
  -- warning names the key meant.
  { "misspell a key", function()
    vim.api.nvim_buf_set_lines(buf, row, row + 1, false,
      { "indicaotri_vmax,  3000,  90,  95,  100,  0,  ,  ,  ,  0" })
    assert(vim.wait(20000, function()
      return with_code(published[line_file], "ignored-row") ~= nil
    end, 10), "no warning of the misspelt key")
    result.misspelt = with_code(published[line_file], "ignored-row")
  end },
  -- The quick fix the server offers for it, applied as Neovim applies one.
  { "apply the quick fix", function()
    local actions = request("textDocument/codeAction", {
      textDocument = { uri = vim.uri_from_bufnr(buf) },
      range = result.misspelt.range,
      context = { diagnostics = { result.misspelt } } })
    assert(actions and #actions > 0, "no quick fix for the misspelt key")
    result.fix = actions[1].title
    vim.lsp.util.apply_workspace_edit(actions[1].edit, vim.lsp.get_client_by_id(id).offset_encoding)
    result.fixed = vim.api.nvim_buf_get_lines(buf, row, row + 1, false)[1]
    assert(vim.wait(20000, function()
      return published[line_file] and with_code(published[line_file], "ignored-row") == nil
    end, 10), "the warning stayed after the fix")
  end },
  -- The fixed row, its columns pushed out of line, is laid out again.
  { "format the description", function()
    vim.api.nvim_buf_set_lines(buf, row, row + 1, false,
      { "indicatori_vmax,     3000,      90,  95,  100,  0,  ,  ,  ,  0" })
    local format = { textDocument = { uri = vim.uri_from_bufnr(buf) },
                     options = { tabSize = 8, insertSpaces = true } }
    local edits = request("textDocument/formatting", format)
    assert(edits, "no answer to formatting")
    vim.lsp.util.apply_text_edits(edits, buf, vim.lsp.get_client_by_id(id).offset_encoding)
    result.formatted = vim.api.nvim_buf_get_lines(buf, row, row + 1, false)[1]
    result.edits = #edits
    result.edits_again = #(request("textDocument/formatting", format) or { "no answer" })
  end },
  { "write a new description", function()
    vim.cmd("edit " .. vim.fn.fnameescape(dir .. "/Nuovo_linea.txt"))
    vim.api.nvim_buf_set_lines(0, 0, -1, false,
      { "[generale]", "cartello_indicatore,  2950,   Citt\195\160" })
    vim.cmd("write")
    result.written = vim.bo.fileencoding
  end },
  { "stop the server", function()
    vim.lsp.stop_client(id)
    result.stopped = vim.wait(10000, function() return vim.lsp.client_is_stopped(id) end, 10)
  end },
}

for _, step in ipairs(steps) do
  local ok, failure = pcall(step[2])
  if not ok then
    result.failure = step[1] .. ": " .. tostring(failure)
    break
  end
end
local file = assert(io.open(out, "w"))
file:write(vim.fn.json_encode(result))
file:close()
vim.cmd("qa!")
