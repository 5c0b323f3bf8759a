-- Neovim as the language server's client, headless: opens the emitted line
-- description, waits for its diagnostics, moves the speed indicators at
-- 1000 m onto the first signal's cell, waits for the conflict, asks for a
-- hover and a completion, and writes what it received as JSON to $RESULT.
-- Written for Neovim 0.7 and later.
local tool, dir, out = os.getenv("BORGO_TOOL"), os.getenv("SCENARIO"), os.getenv("RESULT")
local result = {}

local ok, failure = pcall(function()
  local published = {}
  local line_file = dir .. "/Borgo_Mar_linea.txt"
  local train_file = dir .. "/Borgo_Mar_TX 903-.txt"
  vim.cmd("edit " .. vim.fn.fnameescape(line_file))
  local buf = vim.api.nvim_get_current_buf()
  local id = vim.lsp.start_client({
    name = "scenario-tool",
    cmd = { tool, "lsp" },
    root_dir = dir,
    handlers = {
      ["textDocument/publishDiagnostics"] = function(_, params)
        published[vim.uri_to_fname(params.uri)] = params.diagnostics
      end,
    },
  })
  assert(id, "the server did not start")
  vim.lsp.buf_attach_client(buf, id)
  assert(vim.wait(20000, function() return published[line_file] ~= nil end, 10),
    "no diagnostics on the line description")
  result.opened = published[line_file]

  local lines = vim.api.nvim_buf_get_lines(buf, 0, -1, false)
  local row
  for i, text in ipairs(lines) do
    if text:find("^indicatori_vmax,%s+1000,") then
      row = i
      break
    end
  end
  assert(row, "no speed indicators at 1000 m")
  local moved = lines[row]:gsub("1000", "1050", 1)
  vim.api.nvim_buf_set_lines(buf, row - 1, row, false, { moved })
  -- The two files' diagnostics come one message each, and either may still
  -- be the set from before the edit: wait until both tell of the conflict.
  local function tells_of_conflict(diagnostics)
    for _, diagnostic in ipairs(diagnostics or {}) do
      if diagnostic.code == 16 then return true end
    end
    return false
  end
  assert(vim.wait(20000, function()
    return tells_of_conflict(published[train_file]) and tells_of_conflict(published[line_file])
  end, 10), "no conflict on both descriptions")
  result.train = published[train_file]
  result.line = published[line_file]
  result.row = row - 1

  local uri = vim.uri_from_bufnr(buf)
  local hover = vim.lsp.buf_request_sync(buf, "textDocument/hover",
    { textDocument = { uri = uri }, position = { line = row - 1, character = 19 } }, 10000)
  result.hover = hover and hover[id] and hover[id].result

  vim.api.nvim_buf_set_lines(buf, row, row, false, { "indic" })
  local completion = vim.lsp.buf_request_sync(buf, "textDocument/completion",
    { textDocument = { uri = uri }, position = { line = row, character = 5 } }, 10000)
  local list = completion and completion[id] and completion[id].result
  result.completion = {}
  for _, item in ipairs(list and list.items or {}) do
    table.insert(result.completion, item.label)
  end

  vim.lsp.stop_client(id)
  result.stopped = vim.wait(10000, function() return vim.lsp.client_is_stopped(id) end, 10)
end)

if not ok then result.failure = tostring(failure) end
local file = assert(io.open(out, "w"))
file:write(vim.fn.json_encode(result))
file:close()
vim.cmd("qa!")
