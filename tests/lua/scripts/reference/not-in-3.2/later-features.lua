-- Syntax of later versions is an error in 3.2; some of it means something else.
dofile("../harness.lua")

local rejected = {
  "for i = 1, 2 do end", "while 1 do break end", "local function f() end",
  "x = #t", "x = 5 % 2", "x = 7 // 2", "goto done", "x = 1 & 2", "x = ~1",
  "--[[\nx = 1\n]]", "x = [==[a]==]", "x = 0x10", "::label::",
  "t = {1, x = 2}", "x = ...", "function f(...) return ... end",
  "function a.b.c() end", "x = (f)(1)", "x = ('a'):len()", "x = {}.n",
  "function f() function g() end end", "function f() local function g() end end",
}
local i = 1
while i <= getn(rejected) do
  local m = catchs(rejected[i])
  if m == "no error" then eq(rejected[i], m, "a syntax error") end
  i = i + 1
end

-- Names that later versions reserve are ordinary here.
eq("true is nil", true, nil)
eq("false is nil", false, nil)
in = 1  goto = 2  for = 3  break = 4
eq("names", in + goto + for + break, 10)
-- Unknown escapes give the character: no \x, \z, \u.
eq("\\x", "\x41", "x41")
eq("\\u", "\u{41}", "u{41}")
-- Parentheses do not truncate; calls in arguments give one value.
function two() return 1, 2 end
eq("parenthesised return", results(function () return (two()) end), "1,2")
eq("multiple results in args", results(function () return getn({two(), two()}) end), "2")
-- Later library functions do not exist.
local absent = {"pcall", "xpcall", "select", "unpack", "ipairs", "pairs", "rawget", "rawset",
                "rawequal", "setmetatable", "getmetatable", "require", "loadstring", "load",
                "_G", "string", "table", "math", "io", "os", "coroutine", "gcinfo",
                "strmatch", "gmatch", "getfenv", "setfenv", "module", "loadfile"}
i = 1
while i <= getn(absent) do
  eq("absent " .. absent[i], rawgetglobal(absent[i]), nil)
  i = i + 1
end
-- gsub with a function returning nil deletes the match; %0 is no capture.
eq("gsub nil deletes", gsub("abc", "b", function () return nil end), "ac")
eq("gsub %0", catch(gsub, "abc", "b", "%0"), "invalid capture index")
-- Equality never uses tag methods and never coerces.
eq("no coercion in ==", 1 == "1", nil)
-- An error with a table is silent; error positions are never prefixed.
eq("error table", catch(error, {code = 1}), "silent")
eq("no position prefix", catch(function () local x = nil + 1 end), "unexpected type in arithmetic operation")
done("later-features")
