-- A pandoc filter for the guide's page in the Windows kit: an example that
-- runs the tool of a build (build/bin/scenario-tool ...) is followed by the
-- same lines as typed in the kit's folder on Windows: scenario-tool.exe,
-- and paths with backslashes (/tmp/ becomes %TEMP%\).

local function windows_word(word)
  if word:match("^%-") or word:match("://") or not word:find("/", 1, true) then
    return word
  end
  word = word:gsub("^/tmp/", "%%TEMP%%/")
  return (word:gsub("/", "\\"))
end

local function windows_line(line)
  local program, rest = line:match("^%S*/bin/scenario%-tool(%s.*)$"), nil
  if not program then return nil end
  rest = program:gsub("%S+", windows_word)
  return "scenario-tool.exe" .. rest
end

function CodeBlock(block)
  local lines, any = {}, false
  for line in (block.text .. "\n"):gmatch("(.-)\n") do
    local windows = windows_line(line)
    if windows then any = true end
    table.insert(lines, windows or line)
  end
  if not any then return nil end
  return {
    pandoc.Para({pandoc.Emph({pandoc.Str("On"), pandoc.Space(), pandoc.Str("Linux:")})}),
    block,
    pandoc.Para({pandoc.Emph({pandoc.Str("On"), pandoc.Space(), pandoc.Str("Windows,"),
                              pandoc.Space(), pandoc.Str("in"), pandoc.Space(),
                              pandoc.Str("the"), pandoc.Space(), pandoc.Str("kit's"),
                              pandoc.Space(), pandoc.Str("folder:")})}),
    pandoc.CodeBlock(table.concat(lines, "\n"), block.attr),
  }
end
