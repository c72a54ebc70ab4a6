-- A local with a small constant (x + 1, x - 1, x < 2) and a local's named
-- field (t.name, t.name = v) run as single instructions; every other case
-- must behave as the general forms do.
function try(f) call(f, {}, "x", function (m) print("err: " .. m) end) end
T = newtag()
function show(a, b, e) print(e, b) return a end
settagmethod(T, "add", show)
settagmethod(T, "sub", show)
settagmethod(T, "lt", function (a, b, e) print(e, b) return 1 end)
settagmethod(T, "le", function (a, b, e) print(e, b) end)

-- the operation and the constant reach a tag method as written
function arith()
  local x = settag({}, T)
  x = x + -5
  x = x - -5
  x = x - 3
  local y = x + -7
  y = x - -7
  y = x + 127
  y = x - 128
end
arith()

function numbers()
  local a, s, f = 10, "10", 1.5
  print(a + 1, a - 1, a + -1, a - -1, s + 1, s - 2, f + 127, f - 128)
  a = a + 1  s = s - 1  f = f - -1
  print(a, s, f, type(s))
  local big = 1000 print(big + 128, big - 129)
end
numbers()
try(function () local n = nil return n + 1 end)
try(function () local t = {} t = t - 1 end)

function compare()
  local out = ""
  local a, s, t, near = 1, "1", settag({}, T), 2.000001
  if a < 2 then out = out .. "lt " end
  if a <= 1 then out = out .. "le " end
  if a > 0 then out = out .. "gt " end
  if a >= 2 then out = out .. "ge " end
  if a == 1 then out = out .. "eq " end
  if a ~= -1 then out = out .. "ne " end
  if s == 1 then out = out .. "streq " end
  if s ~= 1 then out = out .. "strne " end
  if near == 2 then out = out .. "near " end
  if t < 3 then out = out .. "tm " end
  if t <= -4 then out = out .. "tmle " end
  local i = 0 while i < 5 do i = i + 1 end
  print(out, i)
end
compare()
try(function () local s = "x" if s < 1 then return 1 end end)

function fields()
  local t = {a = 1}
  t.b = t.a + 1
  t.a = nil
  print(t.a, t.b, t.c)
  local u = settag({}, T)
  settagmethod(T, "index", function (t, k) return "idx " .. k end)
  print(u.name)
  settagmethod(T, "settable", function (t, k, v) print("set", k, v) end)
  u.name = 5
  settagmethod(T, "gettable", function (t, k) return "get " .. k end)
  print(u.name)
  settagmethod(T, "gettable", nil)
  settagmethod(T, "settable", nil)
  u.name = 6
  print(rawgettable(u, "name"))
end
fields()
try(function () local n = 5 return n.x end)
try(function () local n = 5 n.x = 1 end)
try(function () local s = "str" s.x = 1 end)
