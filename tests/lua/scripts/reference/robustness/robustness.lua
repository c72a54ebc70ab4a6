-- Deep nesting and runaway recursion end with a message, never a crash.
dofile("../harness.lua")

-- Compile-time depth.
local deep = {
  {"unary minus chain", "x = " .. strrep("- ", 5000) .. "1", "no error"},
  {"not chain", "x = " .. strrep("not ", 5000) .. "nil", "no error"},
  {"pow chain", "x = " .. strrep("1 ^ ", 3000) .. "1", "no error"},
  {"nested constructors", "x = " .. strrep("{", 3000) .. strrep("}", 3000), "no error"},
  {"nested ifs", strrep("if 1 then ", 2000) .. strrep("end ", 2000), "no error"},
  {"nested calls", "f = function (x) return x end x = " .. strrep("f(", 2000) .. "1" .. strrep(")", 2000), "no error"},
}
local i = 1
while i <= getn(deep) do
  local m = catchs(deep[i][2])
  if m ~= "no error" and type(m) ~= "string" then eq(deep[i][1], m, "a message") end
  i = i + 1
end
print("compile depth survived")

-- Run-time recursion through C functions and tag methods.
function viacall() call(viacall, {}) end
eq("recursion through call", catch(viacall), "stack size overflow")
function viadostring() dostring("viadostring()") end
local m = catch(viadostring)
eq("recursion through dostring", m, "no error")
local T = newtag()
local t = settag({}, T)
settagmethod(T, "index", function (t, k) return t[k] end)
eq("recursion through index", catch(function () return %t.x end), "stack size overflow")
settagmethod(T, "gettable", function (t, k) return t[k] end)
eq("recursion through gettable", catch(function () return %t.x end), "stack size overflow")
function viagsub(s) return gsub(s, "(.)", viagsub) end
eq("recursion through gsub", catch(viagsub, "a"), "stack size overflow")
function viasort() sort({2, 1}, function (a, b) viasort() end) end
eq("recursion through sort", catch(viasort), "stack size overflow")
settagmethod(tag(nil), "getglobal", function (n) return undefined_again end)
eq("recursion through getglobal", catch(function () return undefined_first end), "stack size overflow")
settagmethod(tag(nil), "getglobal", nil)
local F = newtag()
local callable = settag({}, F)
settagmethod(F, "function", function (self) return self() end)
eq("recursion through function event", catch(callable), "stack size overflow")

-- After all that the interpreter still works.
eq("still working", 1 + 1, 2)
done("robustness")
