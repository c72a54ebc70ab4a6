-- gsub: empty matches, limits, replacement strings and functions.
dofile("../harness.lua")

local t = {name = "Lua", age = 6}
local cases = {
  {{"hello world", "(%w+)", "%1 %1"}, '"hello hello world world",2'},
  {{"hello world", "(%w+)", "%1 %1", 1}, '"hello hello world",1'},
  {{"hello world from Lua", "(%w+)%s*(%w+)", "%2 %1"}, '"world hello Lua from",2'},
  {{"abc", "%w", "%%"}, '"%%%",3'},
  {{"abc", "", "-"}, '"-a-b-c-",4'},
  {{"abc", "b*", "-"}, '"-a--c-",4'},
  {{"", "", "y"}, '"y",1'},
  {{"aaa", "^a", "b"}, '"baa",1'},
  {{"abc", "b", "%x"}, '"axc",1'},
  {{"abc", "b", 12}, '"a12c",1'},
  {{"aaaa", "a", "b", 2.7}, '"bbaa",2'},
  {{"aaaa", "a", "b", 0}, '"aaaa",0'},
  {{"aaaa", "a", "b", -1}, '"aaaa",0'},
  {{"a,b", ",", function () end}, '"ab",1'},
  {{"abc", "b", function () return nil end}, '"ac",1'},
  {{"abc", "b", function () return {} end}, '"ac",1'},
  {{"abc", "(b)", function (x) return 7 end}, '"a7c",1'},
  {{"abc", "b", function (...) return arg.n end}, '"a0c",1'},
  {{"abc", "(a)(b)", function (...) return arg.n end}, '"2c",1'},
  {{"$name is $age", "%$(%w+)", function (v) return %t[v] end}, '"Lua is 6",2'},
  {{"x\0y", "%z", "0"}, '"x0y",1'},
  {{"hello", "l+", "L"}, '"heLo",1'},
}
local i = 1
while i <= getn(cases) do
  eq("gsub case " .. i, results(call, gsub, cases[i][1]), cases[i][2])
  i = i + 1
end
eq("one result as argument", results(function () return strlen(gsub("abc", "b", "")) end), "2")

local errors = {
  {"no whole-match capture", {"abc", "b", "%1"}, "invalid capture index"},
  {"capture 2 missing", {"abc", "(b)", "%2"}, "invalid capture index"},
  {"table repl", {"abc", "b", {}}, "bad argument #3 to function `gsub' (string or function expected)"},
  {"nil repl", {"abc", "b", nil; n = 3}, "bad argument #3 to function `gsub' (string or function expected)"},
  {"nil limit", {"abc", "b", "x", nil; n = 4}, "bad argument #4 to function `gsub' (number expected)"},
}
i = 1
while i <= getn(errors) do
  local c = errors[i]
  eq(c[1], catch(call, gsub, c[2]), c[3])
  i = i + 1
end

done("gsub")
