-- Keys, getn, tinsert, tremove, next, foreach, foreachi and raw access.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end
function keys(t)
  local list, k = {}, next(t, nil)
  while k do tinsert(list, tostring(k)) k = next(t, k) end
  sort(list)
  return list
end
function show(t)
  local s, i = "", 1
  while i <= getn(t) do s = s .. tostring(t[i]) .. " " i = i + 1 end
  return s
end

t = {}
t[1] = "one"  t["1"] = "string one"  t[2.5] = "frac"  t[-3] = "neg"
print(t[1.0], t["1"], t[2.5], t[-3], t[0])
t[0] = "zero"
print(t[-0])
t["ab"] = 1
print(t["a" .. "b"])
t.name = "field"
print(t["name"])
t[1] = nil
print(t[1], t["1"])
print(E(function () return %t[nil] end))
print(E(function () %t[nil] = 1 end))
print(E(function () local x = 1 return x.y end))
print(E(function () local x = nil x.y = 1 end))

print(getn({1, 2; n = 5}), getn({n = -1}), getn({n = "5"}), getn({[1.5] = 1}), getn({[-3] = 1}), getn({}))
print(getn({1, 2, 3}), getn({[10] = 1, [3] = 2}))

t = {}
tinsert(t, "a")
print(t.n, t[1])
tinsert(t, 1, "b")
tinsert(t, "c")
print(t.n, show(t))
tinsert(t, nil)
print(t.n, show(t))
print(E(tinsert, t))
t = {10, 20, 30}
print(tremove(t), t.n, show(t))
print(tremove(t, 1), t.n, show(t))
t = {1, 2, 3}
print(tremove(t, 5), t.n, t[3])
t = {1, 2, 3}
tremove(t, 0)
print(t[0], t[1], t[2], t[3], t.n)
print(tremove({}))

t = {x = 1, y = 2, z = 3, w = 4; 10, 20}
print(show(keys(t)))
print(next({}, nil))
print(E(next, t))
print(E(next, t, "nokey"))

n = 0
foreach({a = 1, b = 2, c = 3}, function (k, v) n = n + v end)
print(n)
print(foreach({a = 1}, function (k, v) return k .. "=" .. v end))
t = {a = 1, b = 2, c = 3}
foreach(t, function (k, v) %t[k] = nil end)
print(next(t, nil))
print(foreachi({"x", "y", "z"}, function (i, v) if v == "y" then return i end end))
s = ""
foreachi({"p", "q"; n = 3}, function (i, v) s = s .. i .. tostring(v) end)
print(s)

t = {}
rawsettable(t, "k", "v")
print(rawgettable(t, "k"), rawsettable(t, "k2", 1))
print(E(rawgettable, 1, 2))
print(E(rawsettable, 1, 2, 3))
print(E(rawgettable, {}, nil))

big = {}
i = 1
while i <= 1000 do big[i] = i * 2  i = i + 1 end
s = 0
i = 1
while i <= 1000 do s = s + big[i]  i = i + 1 end
print(s, getn(big))
