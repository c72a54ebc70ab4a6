-- Tag methods: events, selection of the method, restrictions and errors.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end

print(tag(1), tag("s"), tag({}), tag(print), tag(nil), tag(function () end))
Point = newtag()
print(Point, newtag())
function makepoint(x, y) local p = {x = x, y = y}  settag(p, Point)  return p end
settagmethod(Point, "add", function (a, b, ev) return makepoint(a.x + b.x, a.y + b.y) end)
p = makepoint(1, 2) + makepoint(10, 20)
print(p.x, p.y, tag(p) == Point)

T = newtag()
function tagged(v) local t = {v = v}  settag(t, T)  return t end
settagmethod(T, "sub", function (a, b, ev) return ev end)
settagmethod(T, "mul", function (a, b, ev) return ev end)
settagmethod(T, "div", function (a, b, ev) return ev end)
settagmethod(T, "unm", function (a, b, ev) return tostring(b) .. " " .. ev end)
settagmethod(T, "lt", function (a, b, ev) return ev end)
settagmethod(T, "le", function (a, b, ev) return ev end)
settagmethod(T, "ge", function (a, b, ev) return ev end)
settagmethod(T, "concat", function (a, b, ev)
  local l = a  if type(a) == "table" then l = "[" .. a.v .. "]" end
  local r = b  if type(b) == "table" then r = "[" .. b.v .. "]" end
  return l .. r
end)
x = tagged(1)
print(x - 1, 1 * x, x / x, -x, x < 1, 1 <= x, x >= x)
print(E(function () return %x > 1 end))
print(x .. "a" .. "b", "a" .. x)
print(type(x .. 1))

-- pow: the number tag comes first
settagmethod(T, "pow", function (a, b, ev) return "T pow" end)
print(x ^ 2, "s" ^ x)
print(E(function () return 2 ^ %x end))

-- the default userdata tag 0 is the fallback of binary operators
settagmethod(0, "add", function (a, b) return "fallback" end)
print({} + 1)
settagmethod(0, "add", nil)
print(E(function () return {} + 1 end))

-- index, gettable, settable
D = newtag()
settagmethod(D, "index", function (t, k) return "default " .. k end)
d = {present = 1}
settag(d, D)
print(d.present, d.absent, rawgettable(d, "absent"))
G = newtag()
log = ""
settagmethod(G, "gettable", function (t, k) return "get " .. k end)
settagmethod(G, "settable", function (t, k, v) log = log .. k .. "=" .. v .. " " end)
g = {}
settag(g, G)
g.a = 1
g.b = 2
print(g.a, rawgettable(g, "a"), log)
old = settagmethod(tag({}), "index", function (t, k) return k .. "!" end)
e = {}
print(e.zz, old)
settagmethod(tag({}), "index", nil)
print(e.zz)

-- getglobal and setglobal
settagmethod(tag(nil), "getglobal", function (name, v) return "undefined " .. name end)
print(undefinedvariable)
settagmethod(tag(nil), "getglobal", nil)
print(undefinedvariable)
S = newtag()
guarded = {}
settag(guarded, S)
settagmethod(S, "setglobal", function (name, old, new) print("refused", name) end)
guarded = 1
print(type(guarded))
rawsetglobal("guarded", 2)
print(guarded)

-- function
F = newtag()
callable = {}
settag(callable, F)
settagmethod(F, "function", function (self, a, b) return a + b, "second" end)
r1, r2 = callable(3, 4)
print(r1, r2)
print(E(function () local v = {} v() end))

print(gettagmethod(F, "function") ~= nil, gettagmethod(F, "add"))
C2 = copytagmethods(newtag(), F)
cc = {}
settag(cc, C2)
print(cc(1, 1))

print(E(settagmethod, tag({}), "gettable", print))
print(E(settagmethod, tag(1), "add", print))
print(E(settagmethod, tag("s"), "pow", print))
print(E(settagmethod, 99, "add", print))
print(E(settagmethod, T, "foo", print))
print(E(gettagmethod, T, "foo"))
print(E(settagmethod, T, "add"))
print(E(settag, {}, tag({})))
print(E(settag, 1, T))
