-- Upvalues, varargs, parameters and calls.
dofile("../harness.lua")

-- An upvalue is the value when the closure was made.
local a = 1
function g() return %a end
a = 2
eq("main local upvalue", g(), 1)
function m()
  local a = 1
  local g = function () return %a end
  a = 2
  return g()
end
eq("function local upvalue", m(), 1)
gv = "before"
function mkglobal() return function () return %gv end end
local fg = mkglobal()
gv = "after"
eq("global upvalue", fg(), "before")
eq("new closure sees new value", mkglobal()(), "after")

-- Tables are shared, not copied.
function adder()
  local t = {n = 0}
  return function () %t.n = %t.n + 1 return %t.n end
end
local inc = adder()
inc()
eq("shared table", inc(), 2)

-- Two levels down: the middle function copies the value into a local.
function outer()
  local v = "deep"
  return function ()
    local v = %v
    return function () return %v end
  end
end
eq("copied down", outer()()(), "deep")

-- A function without upvalues is one value; with upvalues, a new closure each time.
function mk() return function () return 1 end end
eq("same function value", mk() == mk(), 1)
function mku(x) return function () return %x end end
eq("new closures", mku(1) == mku(1), nil)
local c1, c2 = mku("a"), mku("b")
eq("closures differ", c1() .. c2(), "ab")

-- The local's own name inside its initialiser is the global.
fact = "global fact"
local fact = function (n) return fact end
eq("local not recursive", fact(1), "global fact")

-- Parameters are adjusted; varargs go to arg with n.
function two(p, q) return p, q end
eq("missing parameter", results(two, 3), "3,nil")
eq("extra arguments dropped", results(two, 3, 4, 5), "3,4")
function va(p, q, ...) return p, q, arg.n, arg[1], arg[2] end
eq("vararg none", results(va, 3), "3,nil,0,nil,nil")
eq("vararg two named", results(va, 3, 4), "3,4,0,nil,nil")
eq("vararg extra", results(va, 3, 4, 5, 8), "3,4,2,5,8")
function nils(...) return arg.n end
eq("nil arguments counted", nils(nil, nil), 2)
function argtable(...) return arg end
local at = argtable(1)
eq("fresh arg table", at ~= argtable(1), 1)
function locals_after_arg(...) local x = 5 return arg.n + x end
eq("arg is a local", locals_after_arg(1, 2), 7)

-- A function that ends without return gives no values.
function nothing() local x = 1 end
eq("no values", results(nothing), "")
eq("do return end", results(function () do return end end), "")

-- Calling non-functions.
eq("call nil", catch(function () undefined_fn() end), "call expression not a function")
eq("call number", catch(function () local x = 3 x() end), "call expression not a function")

-- Deep recursion fails with a message, not a crash.
function r(k) return 1 + r(k - 1) end
eq("stack overflow", catch(r, 1), "stack size overflow")
function depth(k) if k == 0 then return 0 end return 1 + depth(k - 1) end
eq("2000 frames", depth(2000), 2000)

done("functions")
