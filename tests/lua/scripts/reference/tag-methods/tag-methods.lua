-- Tag methods: where they may be set, how binary methods are chosen, and
-- what each event passes and returns.
dofile("../harness.lua")

local T = newtag()
local U = newtag()
local tags = {number = -1, string = -2, table = -3, luafn = -4, cfn = -5, ["nil"] = -6,
              userdata = 0, new = T}
-- For each event, the tags where setting a method is forbidden.
local arith = {number = 1, string = 1}
local forbidden = {
  add = arith, sub = arith, mul = arith, div = arith, unm = arith,
  lt = arith, le = arith, gt = arith, ge = arith, concat = arith,
  pow = {string = 1},
  index = {number = 1, string = 1, luafn = 1, cfn = 1, userdata = 1},
  gettable = {table = 1}, settable = {table = 1},
  getglobal = {number = 1, string = 1, table = 1, luafn = 1, cfn = 1, userdata = 1},
  setglobal = {number = 1, string = 1, table = 1, userdata = 1},
  ["function"] = {luafn = 1, cfn = 1},
  gc = {number = 1, string = 1, luafn = 1, cfn = 1, userdata = 1},
}
-- Restoring the default (nil) is checked like setting a method, so the
-- whole table can be walked without installing anything.
local oldpow = gettagmethod(tag(1), "pow")
local event = next(forbidden, nil)
while event do
  local name = next(tags, nil)
  while name do
    local m = catch(settagmethod, tags[name], event, nil)
    if forbidden[event][name] then
      if strfind(m, "^cannot change tag method `" .. event .. "' for type `") == nil then
        eq(event .. " on " .. name, m, "cannot change ...")
      end
    else
      eq(event .. " on " .. name, m, "no error")
    end
    name = next(tags, name)
  end
  event = next(forbidden, event)
end
settagmethod(tag(1), "pow", oldpow)
eq("default table text", catch(settagmethod, tag({}), "gettable", nil),
   "cannot change tag method `gettable' for type `table' with default tag")
eq("number text", catch(settagmethod, tag(1), "add", nil),
   "cannot change tag method `add' for type `number'")
eq("bad event", catch(settagmethod, T, "foo", nil), "`foo' is not a valid event name")
eq("bad event get", catch(gettagmethod, T, "foo"), "`foo' is not a valid event name")
eq("bad tag", catch(settagmethod, 99, "add", nil), "99 is not a valid tag")
eq("positive tag", catch(gettagmethod, 5, "add"), "5 is not a valid tag")
eq("third argument", catch(settagmethod, T, "add"),
   "bad argument #3 to function `settagmethod' (value expected)")

-- settag, copytagmethods
local t = {}
eq("settag returns", settag(t, T), t)
eq("tag after settag", tag(t), T)
eq("settag non-table", catch(settag, _STDOUT, T), "bad argument #1 to function `settag' (table expected)")
eq("settag default tag", catch(settag, {}, tag({})), "tag -3 was not created by `newtag'")
function addm(a, b, e) return "added", "extra" end
eq("settagmethod returns old", settagmethod(T, "add", addm), nil)
eq("gettagmethod", gettagmethod(T, "add"), addm)
local C = newtag()
eq("copytagmethods returns", copytagmethods(C, T), C)
eq("copied", gettagmethod(C, "add"), addm)

-- Binary methods: first operand, second operand, then tag 0; the operands
-- keep their order and the event name comes third; one result is used.
function mk(tg, name) local o = settag({name = name}, tg) return o end
local a, b = mk(T, "a"), mk(U, "b")
function nm(v) if type(v) == "table" then return v.name end return tostring(v) end
function who(x, y, e) return nm(x) .. "," .. nm(y) .. "," .. e end
function whoU(x, y, e) return "U:" .. who(x, y, e) end
settagmethod(T, "sub", who)
settagmethod(U, "sub", whoU)
eq("first operand's method", a - b, "a,b,sub")
eq("second operand's method", b - a, "U:b,a,sub")
eq("number first", 1 - a, "1,a,sub")
settagmethod(U, "sub", nil)
eq("fallback to second", b - a, "b,a,sub")
eq("one result", results(function () return %a + 1 end), '"added"')
settagmethod(0, "mul", function (x, y, e) return "tag0 " .. e end)
eq("tag 0 fallback", {} * 2, "tag0 mul")
settagmethod(0, "mul", nil)
eq("no method", catch(function () return {} * 2 end), "unexpected type in arithmetic operation")
settagmethod(T, "unm", function (x, y, e) return results(function () return %x.name, %y, %e end) end)
eq("unm arguments", -a, '"a",nil,"unm"')

-- Number operands convert first: a numeric string never reaches a method.
settagmethod(T, "div", function () return "method" end)
eq("numeric strings", "6" / "2", 3)

-- pow always goes through a method; the number tag comes before t's own.
settagmethod(T, "pow", function (x, y, e) return "tpow " .. e end)
eq("t ^ 2", a ^ 2, "tpow pow")
eq("string ^ t", "x" ^ a, "tpow pow")
eq("2 ^ t", catch(function () return 2 ^ %a end), "bad argument #2 to function `pow' (number expected)")
eq("string ^ string", catch(function () return "2" ^ "3" end), "undefined operation")
eq("string ^ number", "2" ^ 3, 8)
eq("number ^ string", 2 ^ "3", 8)
eq("'a' ^ 2", catch(function () return "a" ^ 2 end), "bad argument #1 to function `pow' (number expected)")
eq("nil ^ 1", catch(function () return nil ^ 1 end), "bad argument #1 to function `pow' (number expected)")

-- Order events are separate: only lt set means > is an error.
local L = newtag()
local l = mk(L, "l")
settagmethod(L, "lt", function (x, y, e) return "lt says " .. e end)
eq("lt result", l < 1, "lt says lt")
eq("gt not lt", catch(function () return %l > 1 end), "unexpected type in comparison")
settagmethod(L, "ge", function (x, y, e) return nil end)
eq("ge nil", l >= 1, nil)
eq("two tables no method", catch(function () return {} < {} end), "unexpected type in comparison")

-- concat is left-associative and passes the original operands.
settagmethod(T, "concat", function (x, y, e)
  local xs = type(x) == "table" and "[" .. x.name .. "]" or x
  local ys = type(y) == "table" and "[" .. y.name .. "]" or y
  return xs .. ys
end)
eq("concat left", a .. "x" .. "y", "[a]xy")
eq("concat right operand", "x" .. a, "x[a]")
eq("concat number", 1 .. a, "1[a]")

-- Equality never calls methods.
eq("equality", a == mk(T, "a"), nil)

-- index: only for tables, only when the raw value is nil.
local I = newtag()
local ti = settag({present = "raw"}, I)
settagmethod(I, "index", function (t, k) return "index " .. k end)
eq("index missing", ti.missing, "index missing")
eq("index present", ti.present, "raw")
eq("index raw bypass", rawgettable(ti, "missing"), nil)
settagmethod(tag({}), "index", function (t, k) return "default " .. k end)
local plain = {}
eq("index default tag", plain.zz, "default zz")
settagmethod(tag({}), "index", nil)
eq("index restored", plain.zz, nil)

-- gettable / settable: always called; nothing stored by settable.
local G = newtag()
local tg = settag({k = "raw"}, G)
local log = {n = 0}
settagmethod(G, "gettable", function (t, k) return "get " .. k end)
settagmethod(G, "settable", function (t, k, v) tinsert(%log, k .. "=" .. v) end)
eq("gettable existing", tg.k, "get k")
tg.k = 5
eq("settable called", log[1], "k=5")
eq("settable stored nothing", rawgettable(tg, "k"), "raw")
tg.a, tg.b, tg.c = 1, 2, 3
eq("stores right to left", log[2] .. log[3] .. log[4], "c=3b=2a=1")
eq("method call through gettable", catch(function () return %tg:m() end),
   "call expression not a function")
eq("index number", catch(function () local x = 1 return x.y end), "indexed expression not a table")
eq("assign into number", catch(function () local x = 1 x.y = 2 end), "indexed expression not a table")
local S = tag("s")
settagmethod(S, "gettable", function (s, k) return strlen(s) end)
local str = "abc"
eq("string gettable", str.len, 3)
settagmethod(S, "gettable", nil)
eq("constructor raw", rawgettable({x = 1}, "x"), 1)

-- getglobal on the nil tag catches undefined globals; setglobal uses the old value's tag.
settagmethod(tag(nil), "getglobal", function (name, v) return "undefined " .. name end)
eq("getglobal", undefined_zz, "undefined undefined_zz")
eq("rawgetglobal bypass", rawgetglobal("undefined_zz"), nil)
settagmethod(tag(nil), "getglobal", nil)
local W = newtag()
watched = settag({}, W)
local seen = {}
settagmethod(W, "setglobal", function (name, old, new) %seen[1] = name .. "," .. tag(old) .. "," .. new end)
watched = 7
eq("setglobal called", seen[1], "watched," .. W .. ",7")
eq("setglobal not assigned", tag(watched), W)
rawsetglobal("watched", 1)
eq("rawsetglobal", watched, 1)
fnglobal = print
settagmethod(tag(print), "setglobal", function (name, old, new) %seen[2] = name end)
fnglobal = 3
settagmethod(tag(print), "setglobal", nil)
eq("setglobal on function tag", seen[2], "fnglobal")
eq("function global kept", fnglobal, print)

-- function: calling a non-function.
local F = newtag()
local callable = settag({}, F)
settagmethod(F, "function", function (self, x, y) return tag(self), x, y end)
eq("function method", results(function () return %callable(1, 2) end), F .. ",1,2")

done("tag-methods")
