$debug
-- The reflexive debug library (compiled with debug information).
dofile("../harness.lua")

function fields(t)
  local s = ""
  local keys = {"kind", "source", "def_line", "where", "name", "current"}
  local i = 1
  while i <= getn(keys) do
    if t[keys[i]] ~= nil then s = s .. keys[i] .. "=" .. t[keys[i]] .. " " end
    i = i + 1
  end
  return s
end

eq("C function", fields(funcinfo(print)), "kind=C where=global name=print ")
function luafn()
  return getstack(1)
end
eq("Lua function", fields(funcinfo(luafn)), "kind=Lua source=@dblib.lua def_line=17 where=global name=luafn ")
local s = luafn()
eq("getstack func", s.func, luafn)
eq("getstack current", s.current, 18)
eq("main chunk", fields(getstack(1)), "kind=chunk source=@dblib.lua current=24 ")
eq("beyond stack", getstack(100), nil)

function withlocals(a, b)
  local c = a + b
  local t = getlocal(1)
  local v, n = getlocal(1, 3)
  setlocal(1, "c", 99)
  setlocal(1, 1, "one")
  return t.a, t.b, t.c, v, n, c, a, getlocal(1, 10)
end
eq("locals", results(withlocals, 1, 2), '1,2,3,3,"c",99,"one",nil')

-- Line hook: lines of a function with debug information.
lines = {n = 0}
function stepped()
  local x = 1
  return x
end
setlinehook(function (l) tinsert(lines, l) end)
stepped()
setlinehook()
eq("line hook", lines[1] .. "," .. lines[2] .. "," .. lines[3], "44,40,41")

-- A bare return is reported on its own line, not on the line of `end'.
lines = {n = 0}
function bare()
  local x = 1
  return
end
setlinehook(function (l) tinsert(lines, l) end)
bare()
setlinehook()
eq("bare return line", lines[3], lines[2] + 1)

-- Call hook: entry with function information, exit with no arguments.
calls = {entries = 0, exits = 0}
function callee() return 1 end
setcallhook(function (...)
  if arg.n == 0 then calls.exits = calls.exits + 1
  elseif arg[1] == callee then calls.entry = arg[2] .. "," .. arg[3] calls.entries = calls.entries + 1 end
end)
callee()
setcallhook()
eq("call hook entry", calls.entry, "@dblib.lua," .. funcinfo(callee).def_line)
eq("call hook entries", calls.entries, 1)
eq("call hook exits", calls.exits >= 1, 1)

-- A dostring chunk name is the source of its functions.
dostring("function fn_named() end", "@my.lua")
eq("chunk name as source", funcinfo(fn_named).source, "@my.lua")
dostring("function fn_text() end")
eq("chunk text as source", funcinfo(fn_text).source, "function fn_text() end")

done("dblib")
