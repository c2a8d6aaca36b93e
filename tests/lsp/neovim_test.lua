-- scenario-tool lsp in a real editor: headless Neovim, started by
-- neovim_test.py on a copy of a scenario folder whose first signal's keyword
-- is misspelt. Each step waits for what the editor shows; the first that
-- fails ends Neovim with status 1 and says why on stderr.
local tool = os.getenv("SCENARIO_TOOL")
local folder = os.getenv("SCENARIO_COPY")
local train = folder .. "/Vardessa_Lontrino_5608-.txt"
local sheet = folder .. "/Vardessa_Lontrino_5608_scheda_treno.txt"
local wait_ms = 15000

local function check(condition, what)
  if not condition then error(what, 0) end
end

local function diagnostics_of(path)
  return vim.diagnostic.get(vim.uri_to_bufnr(vim.uri_from_fname(path)))
end

local function wait_for(what, predicate)
  check(vim.wait(wait_ms, predicate, 20), "timed out waiting for " .. what)
end

local function has_code(list, code)
  for _, diagnostic in ipairs(list) do
    if diagnostic.code == code then return true end
  end
  return false
end

-- The answer of the server to one request on the buffer.
local function request(buffer, method, params)
  local answers, failure = vim.lsp.buf_request_sync(buffer, method, params, wait_ms)
  check(answers ~= nil, method .. ": " .. tostring(failure))
  for _, answer in pairs(answers) do
    check(answer.error == nil, method .. ": " .. vim.inspect(answer.error))
    return answer.result
  end
  error(method .. ": no answer", 0)
end

local function replace_in_line(buffer, line, from, to)
  local text = vim.api.nvim_buf_get_lines(buffer, line, line + 1, true)[1]
  local at = text:find(from, 1, true)
  check(at ~= nil, "line " .. (line + 1) .. " holds no " .. from)
  vim.api.nvim_buf_set_text(buffer, line, at - 1, line, at - 1 + #from, { to })
end

-- Replaces text in a file on disk, as another program would.
local function rewrite_on_disk(path, from, to)
  local file = assert(io.open(path, "rb"))
  local text = file:read("*a")
  file:close()
  local at = text:find(from, 1, true)
  check(at ~= nil, path .. " holds no " .. from)
  file = assert(io.open(path, "wb"))
  file:write(text:sub(1, at - 1) .. to .. text:sub(at + #from))
  file:close()
end

-- Sends a request and, at once, what follows (a cancel, an edit); returns
-- "cancelled" when it was cancelled (Neovim drops the answer to a request it
-- cancelled), "result" when it was answered, else the error's code.
local function request_then(client, buffer, method, params, follow)
  local answered, failure = false, nil
  local ok, id = client.request(method, params, function(err)
    answered, failure = true, err
  end, buffer)
  check(ok, method .. ": not sent")
  follow(id)
  wait_for(method .. "'s answer", function() return client.requests[id] == nil end)
  if not answered then return "cancelled" end
  return failure and failure.code or "result"
end

-- A request that waits for a check is dropped or refused only when what
-- follows it reaches the server before the check ends: a check of a small
-- folder may end first (the server then rightly answers), so each case is
-- tried until it comes, at most `tries` times, with the text edited back
-- and forth between tries.
local function until_outcome(expected, tries, attempt)
  local seen = {}
  for _ = 1, tries do
    local outcome = attempt()
    if outcome == expected then return end
    check(outcome == "result", "expected " .. expected .. ", got " .. tostring(outcome))
    table.insert(seen, outcome)
  end
  error("never " .. expected .. " in " .. tries .. " tries: " .. table.concat(seen, ", "), 0)
end

local function run()
  local client_id = vim.lsp.start_client({ name = "scenario-tool", cmd = { tool, "lsp" },
                                           root_dir = folder,
                                           flags = { debounce_text_changes = 0 } })
  check(client_id ~= nil, "the server did not start")
  local client = vim.lsp.get_client_by_id(client_id)
  vim.cmd("edit " .. vim.fn.fnameescape(train))
  local buffer = vim.api.nvim_get_current_buf()
  check(vim.lsp.buf_attach_client(buffer, client_id), "the buffer did not attach")
  local document = { uri = vim.uri_from_bufnr(buffer) }

  -- Diagnostics on open: the misspelt keyword of line 50.
  wait_for("the misspelt keyword's warning", function()
    return has_code(diagnostics_of(train), "unknown-keyword")
  end)

  -- Settings: the warning made an error, then silenced, then back as it was.
  local function configure(settings)
    client.notify("workspace/didChangeConfiguration", { settings = { scenarioTool = settings } })
  end
  configure({ warningsAsErrors = true })
  wait_for("the warning made an error", function()
    local list = diagnostics_of(train)
    return #list == 1 and list[1].severity == vim.diagnostic.severity.ERROR
  end)
  configure({ warningsAsErrors = false, disabledWarnings = { "unknown-keyword" } })
  wait_for("the warning silenced", function() return #diagnostics_of(train) == 0 end)
  configure({ disabledWarnings = {} })
  wait_for("the warning back", function()
    local list = diagnostics_of(train)
    return #list == 1 and list[1].severity == vim.diagnostic.severity.WARN
  end)

  -- A code action waits for the check of an edit: cancelled meanwhile, it
  -- is dropped; overtaken by a further edit, it is refused as outdated.
  local range = { start = { line = 49, character = 2 }, ["end"] = { line = 49, character = 2 } }
  local action = { textDocument = document, range = range, context = { diagnostics = {} } }
  local moved = false
  local function move_signal()
    if moved then
      replace_in_line(buffer, 50, "3850", "3800")
    else
      replace_in_line(buffer, 50, "3800", "3850")
    end
    moved = not moved
  end
  until_outcome("cancelled", 20, function()
    move_signal()
    return request_then(client, buffer, "textDocument/codeAction", action, function(id)
      client.rpc.notify("$/cancelRequest", { id = id })
    end)
  end)
  until_outcome(-32801, 20, function()
    return request_then(client, buffer, "textDocument/codeAction", action, move_signal)
  end)
  if moved then move_signal() end

  -- Its quick fix, applied: the keyword is right and the warning goes.
  local actions = request(buffer, "textDocument/codeAction", {
    textDocument = document,
    range = { start = { line = 49, character = 2 }, ["end"] = { line = 49, character = 2 } },
    context = { diagnostics = {} } })
  check(actions ~= nil and #actions == 1, "one quick fix expected: " .. vim.inspect(actions))
  vim.lsp.util.apply_workspace_edit(actions[1].edit, "utf-16")
  local fixed = vim.api.nvim_buf_get_lines(buffer, 49, 50, true)[1]
  check(vim.startswith(fixed, "segnale,"), "the fix left line 50 as " .. fixed)
  wait_for("the warning to go after the fix", function()
    return #diagnostics_of(train) == 0
  end)

  -- An unsaved edit: a number that is none is an error, its undoing none.
  replace_in_line(buffer, 50, "3800", "38oo")
  wait_for("the error of the unsaved edit", function()
    local list = diagnostics_of(train)
    return #list > 0 and list[1].lnum == 50 and list[1].severity == vim.diagnostic.severity.ERROR
  end)
  replace_in_line(buffer, 50, "38oo", "3800")
  wait_for("the error to go once the edit is undone", function()
    return #diagnostics_of(train) == 0
  end)

  -- Hover on a signal's position names its cell.
  local hover = request(buffer, "textDocument/hover", {
    textDocument = document, position = { line = 49, character = 13 } })
  check(hover ~= nil and hover.contents.value:find("cell 36", 1, true),
        "hover: " .. vim.inspect(hover))

  -- Completion at the start of a line of the train description.
  local completion = request(buffer, "textDocument/completion", {
    textDocument = document, position = { line = 49, character = 0 } })
  local labels = {}
  for _, item in ipairs(completion.items or completion) do labels[item.label] = true end
  check(labels["segnale"] and labels["stazione"], "completion: " .. vim.inspect(labels))

  -- A station renamed in the text: the timetable sheet, not open, warns.
  replace_in_line(buffer, 23, "BORGO VESSARO", "BORGO VESSARA")
  wait_for("the timetable sheet's warning", function()
    local list = diagnostics_of(sheet)
    return #list > 0 and list[1].lnum == 21
  end)

  replace_in_line(buffer, 23, "BORGO VESSARA", "BORGO VESSARO")
  wait_for("the sheet's warning to go", function() return #diagnostics_of(sheet) == 0 end)

  -- The sheet changed on disk by another program: the server notices it at
  -- the next request (Neovim 0.7 does not watch files for it).
  rewrite_on_disk(sheet, "BORGO VESSARO", "BORGO VESSARA")
  request(buffer, "textDocument/hover", { textDocument = document, position = { line = 0, character = 1 } })
  wait_for("the warning of the sheet changed on disk", function()
    local list = diagnostics_of(sheet)
    return #list > 0 and list[1].lnum == 21
  end)
  rewrite_on_disk(sheet, "BORGO VESSARA", "BORGO VESSARO")
  request(buffer, "textDocument/hover", { textDocument = document, position = { line = 0, character = 1 } })
  wait_for("the sheet's warning to go once restored on disk", function()
    return #diagnostics_of(sheet) == 0
  end)

  -- Rename of a station: the train description and the sheet follow.
  local edit = request(buffer, "textDocument/rename", {
    textDocument = document, position = { line = 23, character = 80 }, newName = "BORGO VESSANO" })
  vim.lsp.util.apply_workspace_edit(edit, "utf-16")
  local sheet_text = table.concat(
    vim.api.nvim_buf_get_lines(vim.uri_to_bufnr(vim.uri_from_fname(sheet)), 0, -1, true), "\n")
  check(sheet_text:find("BORGO VESSANO", 1, true) and not sheet_text:find("VESSARO", 1, true),
        "rename left the sheet as " .. sheet_text)
  check(vim.api.nvim_buf_get_lines(buffer, 23, 24, true)[1]:find("BORGO VESSANO", 1, true),
        "rename left the train's record")

  -- Formatting lines the records up and the text still checks clean.
  local edits = request(buffer, "textDocument/formatting", {
    textDocument = document, options = { tabSize = 4, insertSpaces = true } })
  vim.lsp.util.apply_text_edits(edits, buffer, "utf-16")
  local second = vim.api.nvim_buf_get_lines(buffer, 1, 2, true)[1]
  check(second == "numero vetture, 3", "formatting left line 2 as " .. second)
  vim.wait(1000)
  wait_for("no diagnostics after formatting", function() return #diagnostics_of(train) == 0 end)

  -- Semantic tokens: five numbers a token, the first the keyword of line 2.
  local tokens = request(buffer, "textDocument/semanticTokens/full", { textDocument = document })
  check(#tokens.data > 0 and #tokens.data % 5 == 0, "tokens: " .. vim.inspect(tokens))

  vim.lsp.stop_client(client_id)
  wait_for("the server to end", function() return vim.lsp.get_client_by_id(client_id) == nil end)
end

local ok, failure = pcall(run)
if ok then
  io.stdout:write("neovim: ok\n")
  vim.cmd("qall!")
else
  io.stderr:write("neovim: " .. tostring(failure) .. "\n")
  vim.cmd("cquit 1")
end
