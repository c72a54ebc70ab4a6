-- Shared checks for the reference scripts (run with dofile("../harness.lua")).
-- A check prints a line only when it fails, so each script's expected output
-- is the summary line printed by done(); a failure shows what was seen.

failures = 0

-- Shows a value unambiguously: strings quoted, everything else by tostring.
function show(v)
  if type(v) == "string" then return '"' .. v .. '"' end
  return tostring(v)
end

-- All results of f(...), as one comma-separated string of show()n values.
function results(f, ...)
  local r = call(f, arg, "p")
  local s, i = "", 1
  while i <= r.n do
    if i > 1 then s = s .. "," end
    s = s .. show(r[i])
    i = i + 1
  end
  return s
end

function eq(name, got, expected)
  if got ~= expected then
    print("FAIL " .. name .. ": got " .. show(got) .. ", expected " .. show(expected))
    failures = failures + 1
  end
end

-- Checks a list of cases {name, chunk, expected results()} run by dostring.
function chunkresults(cases)
  local i = 1
  while i <= getn(cases) do
    local c = cases[i]
    eq(c[1], results(dostring, c[2]), c[3])
    i = i + 1
  end
end

-- The message an error inside f(...) sent to the handler; "no error" when
-- f returned normally, "silent" when it failed without a message.
function catch(f, ...)
  caught = nil
  local ok = call(function (f, a) call(f, a) return 1 end, {f, arg}, "x",
                  function (m) caught = m end)
  if ok then return "no error" end
  if caught == nil then return "silent" end
  return caught
end

-- The same for a chunk given as text (compile and run errors alike).
function catchs(code, name)
  caught = nil
  local run = function (c, n)
    if n then return dostring(c, n) end
    return dostring(c)
  end
  call(run, {code, name; n = 2}, "x", function (m) caught = m end)
  return caught or "no error"
end

-- Only the first line of a message (syntax errors add a second line).
function first(msg)
  local i = strfind(msg, "\n", 1, 1)
  if i then return strsub(msg, 1, i - 1) end
  return msg
end

function done(topic)
  print(topic .. ": " .. failures .. " failures")
end
