-- Built-in functions that every state has.
dofile("../harness.lua")

-- type and tag, with the predefined tag numbers.
eq("type pair", results(type, {}), '"table",-3')
eq("type names", results(function ()
  return type(nil), type(1), type("s"), type(print), type(type), type(function () end)
end), '"nil","number","string","function","function","function",-4')
eq("type no argument", catch(type), "bad argument #1 to function `type' (value expected)")
eq("predefined tags", results(function ()
  return tag(1), tag("s"), tag({}), tag(function () end), tag(print), tag(nil)
end), "-1,-2,-3,-4,-5,-6")
eq("first script tag", newtag(), -9)
eq("next tag", newtag(), -10)
eq("file handle tag", tag(_STDOUT), -7)
eq("_VERSION", _VERSION, "Lua 3.2.1")

-- tostring
eq("tostring nil", tostring(nil), "nil")
eq("tostring table", strfind(tostring({}), "^table: 0x%x+$"), 1)
eq("tostring function", strfind(tostring(print), "^function: 0x%x+$"), 1)
eq("tostring lua function", strfind(tostring(eq), "^function: 0x%x+$"), 1)
eq("tostring string", tostring("x"), "x")
eq("tostring extra", tostring(1, 2), "1")
eq("tostring no argument", catch(tostring), "bad argument #1 to function `tostring' (value expected)")
eq("null userdata", tostring(dostring("x = 1")), "userdata: (nil)")

-- tonumber
local tn = {
  {{"10"}, "10"}, {{" 10 "}, "10"}, {{"1e2"}, "100"}, {{"0x10"}, "nil"}, {{"ff", 16}, "255"},
  {{"-ff", 16}, "-255"}, {{"+ff", 16}, "255"}, {{"FF", 16}, "255"}, {{" 11 ", 2}, "3"},
  {{"8", 8}, "nil"}, {{"zz", 36}, "1295"}, {{12, 16}, "18"}, {{"1.5", 16}, "nil"},
  {{strrep("1", 33), 2}, "8589934591"}, {{}, "nil"}, {{n = 1}, "nil"}, {{{}}, "nil"},
  {{"e1"}, "nil"}, {{"  ", 16}, "nil"}, {{"", 16}, "nil"}, {{"", 10}, "nil"},
  {{"10", 10}, "10"}, {{"7"}, "7"}, {{5}, "5"}, {{"- 5"}, "nil"}, {{"5 5"}, "nil"},
}
local i = 1
while i <= getn(tn) do
  local a = tn[i][1]
  eq("tonumber " .. i, results(call, tonumber, a), tn[i][2])
  i = i + 1
end
-- tonumber with one argument must not see a second nil as a base.
eq("tonumber one arg", tonumber("12"), 12)
eq("tonumber base 37", catch(tonumber, "1", 37),
   "bad argument #2 to function `tonumber' (base out of range)")
eq("tonumber nil base", catch(tonumber, "10", nil),
   "bad argument #2 to function `tonumber' (number expected)")

-- assert and error
eq("assert passes", results(assert, 1), "")
eq("assert message", catch(assert, nil, "m"), "assertion failed!  m")
eq("assert bare", catch(assert, nil), "assertion failed!  ")
eq("error string", catch(error, "boom"), "boom")
eq("error number", catch(error, 12), "12")
eq("error nil", catch(error, nil), "silent")
eq("error bare", catch(error), "silent")
eq("error table", catch(error, {}), "silent")

-- call
function sum(...) local s, i = 0, 1 while i <= arg.n do s = s + (arg[i] or 0) i = i + 1 end
                  return s, arg.n end
eq("call", results(call, sum, {1, 2}), "3,2")
eq("call n", results(call, sum, {1, 2, 3; n = 2}), "3,2")
eq("call n nils", results(call, sum, {n = 3}), "0,3")
eq("call hole", results(call, sum, {1, nil, 3}), "4,3")
local p = call(sum, {5, 6}, "p")
eq("call p", results(function () return %p.n, %p[1], %p[2] end), "2,11,2")
eq("call x", results(call, error, {"e"}, "x", nil), "nil")
eq("call xp", call(sum, {1}, "xp").n, 2)
eq("call X does not protect", catch(call, error, {"e"}, "X"), "e")
eq("call arg not table", catch(call, sum, 1),
   "bad argument #2 to function `call' (table expected)")
saved = _ERRORMESSAGE
local h4 = function (m) end
eq("handler installed while running", call(function () return _ERRORMESSAGE end, {}, "", h4), h4)
call(error, {"q"}, "x", function (m) end)
eq("handler restored", _ERRORMESSAGE, saved)
x = call(error, {"boom"}, "x", nil)
eq("call x nil", x, nil)

-- dostring and dofile
eq("dostring results", results(dostring, "return 1, 2"), "1,2")
eq("dostring none", type(dostring("x = 1")), "userdata")
eq("dostring error", results(call, dostring, {"x = "}, "", function (m) end), "")
eq("dostring runtime error", results(call, dostring, {"error('e')"}, "", function (m) end), "")
eq("dostring precompiled", catch(dostring, strchar(27) .. "Lua"),
   "`dostring' cannot run pre-compiled code")
eq("dostring chunk name", catchs("x = = 1", "@name.lua"),
   "<expression> expected;\n  last token read: `=' at line 1 in file `name.lua'")
eq("dofile missing", results(call, dofile, {"/nonexistent/file.lua"}, "", function (m)
   print("unexpected message " .. m) end), "")

-- getn
eq("getn n", getn({1, 2; n = 5}), 5)
eq("getn n negative", getn({n = -1}), -1)
eq("getn n string", getn({n = "5"}), 0)
eq("getn fraction", getn({[1.5] = 1}), 1.5)
eq("getn negative key", getn({[-3] = 1}), 0)
eq("getn largest", getn({[1] = 1, [10] = 1, x = 20}), 10)

-- next and nextvar
t = {}
eq("next empty", next(t, nil), nil)
eq("next one argument", catch(next, t), "bad argument #2 to function `next' (value expected)")
eq("next bad key", catch(next, {a = 1}, "zz"), "bad argument #2 to function `next' (key not found)")
t = {a = 1}
eq("next entry", results(next, t, nil), '"a",1')
eq("next end", next(t, "a"), nil)
eq("nextvar bad name", catch(nextvar, "never_a_global_zzz"),
   "bad argument #1 to function `nextvar' (variable name expected)")
eq("nextvar number", catch(nextvar, 12),
   "bad argument #1 to function `nextvar' (variable name expected)")
local seen, k = 0, nextvar(nil)
while k do if k == "sum" then seen = seen + 1 end k = nextvar(k) end
eq("nextvar finds sum", seen, 1)
-- Clearing the current key during a traversal is tolerated.
t = {a = 1, b = 2, c = 3, d = 4}
local k = next(t, nil)
local steps = 0
while k and steps < 10 do t[k] = nil k = next(t, k) steps = steps + 1 end
eq("clear during next", next(t, nil), nil)

-- foreach, foreachi, foreachvar
t = {10, 20, 30}
local total = {0}
foreach(t, function (k, v) %total[1] = %total[1] + v end)
eq("foreach", total[1], 60)
eq("foreach stops", foreach(t, function (k, v) if v == 20 then return k end end), 2)
eq("foreach clears", results(foreach, {a = 1, b = 2}, function (k, v) end), "")
t = {a = 1, b = 2, c = 3}
foreach(t, function (k, v) %t[k] = nil end)
eq("foreach clearing", next(t, nil), nil)
t = {1, 2, 3; n = 2}
local visited = {n = 0}
foreachi(t, function (i, v) tinsert(%visited, v) end)
eq("foreachi uses getn", visited.n, 2)
eq("foreachi result", foreachi({5, 6}, function (i, v) if v == 6 then return i * 10 end end), 20)
eq("foreachvar", foreachvar(function (n, v) if n == "sum" then return v end end), sum)

-- rawgetglobal, rawsetglobal, getglobal, setglobal
eq("rawsetglobal returns", rawsetglobal("m v 1", 7), 7)
eq("odd global name", rawgetglobal("m v 1"), 7)
eq("setglobal returns", results(setglobal, "sg", 8), "8")
eq("getglobal", getglobal("sg"), 8)

-- rawgettable, rawsettable
t = {}
eq("rawsettable returns nothing", results(rawsettable, t, "k", 1), "")
eq("rawgettable", rawgettable(t, "k"), 1)
eq("rawgettable non-table", catch(rawgettable, 1, 1), "indexed expression not a table in rawgettable")
eq("rawsettable non-table", catch(rawsettable, 1, 1, 1), "indexed expression not a table")
eq("rawgettable nil key", catch(rawgettable, t, nil), "unexpected type to index table")
eq("index nil read", catch(function () local x = {} return x[nil] end), "unexpected type to index table")
eq("index nil write", catch(function () local x = {} x[nil] = 1 end), "unexpected type to index table")

-- tinsert and tremove keep n
t = {}
tinsert(t, "a")
eq("tinsert append", results(function () return %t.n, %t[1] end), '1,"a"')
t = {1, 2, 3}
tinsert(t, 1, 0)
eq("tinsert at", results(function () return %t.n, %t[1], %t[2], %t[4] end), "4,0,1,3")
tinsert(t, nil)
eq("tinsert nil", results(function () return %t.n, %t[5] end), "5,nil")
eq("tinsert no value", catch(tinsert, {}), "bad argument #2 to function `tinsert' (value expected)")
t = {1, 2, 3}
eq("tremove last", tremove(t), 3)
eq("tremove n", t.n, 2)
eq("tremove first", tremove(t, 1), 1)
eq("tremove shifted", results(function () return %t[1], %t[2], %t.n end), "2,nil,1")
eq("tremove empty", results(tremove, {}), "")
t = {1, 2, 3}
eq("tremove beyond", tremove(t, 5), nil)
eq("tremove beyond clears", results(function () return %t[3], %t.n end), "nil,2")
t = {1, 2, 3}
tremove(t, 0)
eq("tremove 0 shifts", results(function () return %t[0], %t[1], %t[2], %t[3] end), "1,2,3,nil")
t = {1, 2}
tinsert(t, 5, "x")
eq("tinsert beyond n", results(function () return %t.n, %t[3], %t[5] end), '3,nil,"x"')
local calls = {n = 0}
foreachi({1, nil, 3}, function (i, v) tinsert(%calls, tostring(v)) end)
eq("foreachi visits holes", calls[1] .. calls[2] .. calls[3], "1nil3")
eq("call p without results", call(function () end, {}, "p").n, 0)
eq("tremove nil pos", catch(tremove, {1}, nil), "bad argument #2 to function `tremove' (number expected)")

-- print: at most 40 arguments
eq("print 41", catch(call, print, {n = 41}),
   "bad argument #41 to function `print' (too many arguments)")
-- print uses the global tostring.
local oldts = tostring
tostring = function (v) return "<" .. %oldts(v) .. ">" end
print(1, "a")
tostring = oldts
print()

-- seterrormethod
eq("seterrormethod nil", catch(seterrormethod, nil),
   "bad argument #1 to function `seterrormethod' (function expected)")
local h = function (m) end
local prev = seterrormethod(h)
eq("seterrormethod sets", _ERRORMESSAGE, h)
eq("seterrormethod returns", seterrormethod(prev), h)

-- collectgarbage returns a count.
eq("collectgarbage", type(collectgarbage()), "number")

-- Arguments are checked before any work, even when there is none to do.
eq("foreachi non-function", catch(foreachi, {}, 5),
   "bad argument #2 to function `foreachi' (function expected)")
eq("foreach non-function", catch(foreach, {}, 5),
   "bad argument #2 to function `foreach' (function expected)")
eq("foreachvar non-function", catch(foreachvar, 5),
   "bad argument #1 to function `foreachvar' (function expected)")
eq("tremove position of an empty table", catch(tremove, {}, "x"),
   "bad argument #2 to function `tremove' (number expected)")

-- One rule turns numbers into C integers, in the core and the libraries
-- alike: toward zero, and the smallest value for NaN and out-of-range numbers.
local intmin = "tag -2147483648 was not created by `newtag'"
eq("settag beyond int", catch(settag, {}, 2^40), intmin)
eq("settag NaN", catch(settag, {}, 0/0), intmin)
eq("settag below int", catch(settag, {}, -2^40), intmin)
eq("settag truncates", catch(settag, {}, -3.9), "tag -3 was not created by `newtag'")
eq("ldexp beyond int", ldexp(1, 2^40), 0)
eq("format beyond int", format("%d", 2^40), "-2147483648")
eq("strsub beyond long", strsub("hello", 2, 1e300), "")
eq("strsub NaN", strsub("hello", 0/0), "hello")
eq("foreachi beyond int", foreachi({n = 2^40}, function () return 1 end), nil)
eq("tonumber base truncates", tonumber("10", 36.5), 36)
eq("tonumber NaN base", catch(tonumber, "10", 0/0), "bad argument #2 to function `tonumber' (base out of range)")
eq("tonumber base below 1", tonumber("12", 0.5), 12)
eq("random beyond int", catch(random, 1, 2^40), "bad argument #1 to function `random' (interval is empty)")
eq("random NaN", catch(random, 0/0), "bad argument #1 to function `random' (interval is empty)")
eq("ldexp truncates", ldexp(1, -3.9), 1/8)
eq("format unsigned wraps", format("%u %x", 2^32 + 5, 1e30), "5 0")
eq("strchar beyond int", catch(strchar, 2^32 + 65), "bad argument #1 to function `strchar' (invalid value)")
eq("strbyte truncates", strbyte("ABC", 2.9), 66)

-- Base 10 is the standard conversion, fraction and exponent included.
eq("tonumber base 10 exponent", tonumber("1e2", 10), 100)
eq("tonumber base 10 fraction", tonumber(" 1.5 ", 10), 1.5)

-- More checks before work: empty tables and strings still check the rest.
eq("next empty table, unknown key", catch(next, {}, 1), "bad argument #2 to function `next' (key not found)")
eq("call mode", catch(call, print, {}, {}), "bad argument #3 to function `call' (string expected)")
eq("gsub replacement of an empty subject", catch(gsub, "", "x", {}),
   "bad argument #3 to function `gsub' (string or function expected)")
eq("strrep string of no copies", catch(strrep, {}, 0), "bad argument #1 to function `strrep' (string expected)")
eq("sort empty with a number", catch(sort, {}, 3), "bad argument #2 to function `sort' (function expected)")

done("builtins")
