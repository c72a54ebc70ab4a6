-- %name upvalues are copies taken when the closure is made.
local a = 1
function g() return %a end
a = 2
print(g())

function m()
  local a = 1
  local g = function () return %a end
  a = 2
  return g()
end
print(m())

y = 5
function h() return %y end
y = 6
print(h())

function counter(start)
  local t = {n = start}
  return function () %t.n = %t.n + 1  return %t.n end
end
c1 = counter(10)
c2 = counter(20)
print(c1(), c1(), c2(), c1())

function outer(v)
  return function ()
    local v = %v
    return function () return %v end
  end
end
print(outer(7)()())

function mk() return function () return 1 end end
function mk2(x) return function () return %x end end
print(mk() == mk(), mk2(1) == mk2(1))

function adder(n) return function (x) return x + %n end end
add3 = adder(3)
print(add3(4), adder(10)(1))

f = function (n) if n <= 1 then return 1 end return n * f(n - 1) end
print(f(5))

function twice(x) return x * 2 end
function apply() return %twice(2) end
twice = nil
print(apply())
