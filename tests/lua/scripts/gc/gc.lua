-- Collection: gc tag methods, what stays alive, the nil tag's method.
T = newtag()
freed = 0
settagmethod(T, "gc", function (o) freed = freed + 1 end)
function make(n)
  local i = 1
  while i <= n do settag({}, T)  i = i + 1 end
end
make(100)
keep = settag({}, T)
holder = {settag({}, T)}
index = {}
index[settag({}, T)] = 1
function closure() local t = %keep return t end
print(type(collectgarbage()), freed)
keep = nil
holder = nil
collectgarbage()
print(freed)

-- a table kept only as an upvalue of a tag method survives
U = newtag()
settagmethod(U, "gc", function (o) freed = freed + 1 end)
function install()
  local secret = settag({}, U)
  settagmethod(newtag(), "add", function (a, b) return %secret end)
end
install()
freed = 0
collectgarbage()
print(freed)

cycles = 0
settagmethod(tag(nil), "gc", function (o) cycles = cycles + 1 end)
collectgarbage()
collectgarbage()
settagmethod(tag(nil), "gc", nil)
print(cycles >= 2)

-- many short-lived objects are reclaimed along the way
s = ""
i = 1
while i <= 20000 do local t = {i, tostring(i)}  s = t[2]  i = i + 1 end
print(s, type(collectgarbage(0)))
