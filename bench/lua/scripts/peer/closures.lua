-- Making closures that capture values, and calling them: the same work as
-- ../closures.lua in the dialect of Lua 5, where a closure names the
-- captured variables as they are.
function adder(n)
  return function (x) return x + n end
end
function compose(f, g)
  return function (x) return f(g(x)) end
end
function counter()
  local state = {n = 0}
  local inc = function (d) state.n = state.n + d end
  local get = function () return state.n end
  return inc, get
end
total = 0
inc, get = counter()
i = 1
while i <= 1000000 do
  local add = adder(i)
  local twice = compose(add, add)
  total = total + twice(1)
  inc(add(0))
  i = i + 1
end
print(total, get())
