-- Varargs through arg, adjustment of multiple results, call().
function f(a, b) return a, b end
function g(a, b, ...) return a, b, arg.n, arg[1], arg[2] end
print(f(3))
print(g(3))
a, b, n, x, y = g(3, 4, 5, 8)
print(a, b, n, x, y)
a, b, n = g()
print(a, b, n)
function cnt(...) return arg.n end
print(cnt(), cnt(nil, nil), cnt(1, 2, 3))

function three() return 1, 2, 3 end
print(three())
a, b, c = three()
print(a, b, c)
a, b, c = three(), 10
print(a, b, c)
a, b, c, d = 10, three()
print(a, b, c, d)
local l1, l2 = three()
print(l1, l2)
t = {three()}
print(t[1], t[2])
function pass() return three() end
function passx() return 0, three() end
a, b, c = pass()
print(a, b, c)
a, b, c, d = passx()
print(a, b, c, d)
function two() return 1, 2 end
print(strsub("hello", two()))
print(strfind("hello", "l+"))
a, b = strfind("hello", "l+")
print(a, b)
print(type({}))
a, b = type({})
print(a, b)

t = call(three, {}, "p")
print(t.n, t[1], t[3])
print(call(f, {1, 2, 3; n = 2}))
t = call(cnt, {n = 3}, "p")
print(t[1])
print(call(cnt, {1, nil, 3}))
print(call(f, {"x", "y"}))
x = call(error, {"boom"}, "x", nil)
print(x)
t = call(error, {"boom"}, "xp", nil)
print(t)
