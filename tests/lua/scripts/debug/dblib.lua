$debug
-- The reflexive debug library: funcinfo, getstack, getlocal, setlocal, hooks.
function show(t)
  local keys, k = {}, next(t, nil)
  while k do
    if k ~= "func" then tinsert(keys, k .. "=" .. tostring(t[k])) end
    k = next(t, k)
  end
  sort(keys)
  local s, i = "", 1
  while i <= getn(keys) do s = s .. keys[i] .. " " i = i + 1 end
  return s
end

function f(a, b)
  local c = a + b
  local here = getstack(1)
  local top = getstack(0)
  print(show(here))
  print(show(top))
  print(here.func == f)
  local all = getlocal(1)
  print(all.a, all.b, all.c, all.here ~= nil)
  local v, n = getlocal(1, 2)
  print(v, n)
  print(getlocal(1, "c"), getlocal(1, 99))
  setlocal(1, "c", 100)
  setlocal(1, 1, "one")
  print(a, c)
  return c
end

print(show(funcinfo(print)))
print(show(funcinfo(f)))
print(show(funcinfo(function () end)))
f(1, 2)
print(getstack(1000))

lines = ""
function traced()
  local x = 1
  return x
end
setlinehook(function (line) lines = lines .. line .. " " end)
traced()
setlinehook()
print(strfind(lines, "41 42 ", 1, 1) ~= nil)
calls = 0
setcallhook(function (...) calls = calls + 1 end)
traced()
setcallhook()
print(calls > 0)
