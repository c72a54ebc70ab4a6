-- Built-in functions other than the table ones.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end

print(_VERSION)
print(type(nil), type(1), type("s"), type({}), type(print), type(E), type(_STDIN))
print(tostring(nil), tostring(12), tostring("s"), tostring(1.5))
print(strsub(tostring({}), 1, 7), strsub(tostring(print), 1, 10))
print()
print(1, nil, "three")
rawsetglobal("m v 1", 5)
print(rawgetglobal("m v 1"), getglobal("m v 1"), setglobal("g1", 7), g1)
print(rawsetglobal("g2", 8), g2)
print(E(type))
print(E(tostring))
print(E(print, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
          21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41))

-- tostring is looked up by print
old = tostring
tostring = function (v) return "<" .. old(v) .. ">" end
print(1, "a")
tostring = old

-- globals traversal
uniqueglobal_a = 1
uniqueglobal_b = 2
count = 0
name, value = nextvar(nil)
while name do
  if strfind(name, "^uniqueglobal_") then count = count + value end
  name, value = nextvar(name)
end
print(count)
print(foreachvar(function (n, v) if n == "uniqueglobal_b" then return v * 10 end end))
print(E(nextvar, "never_a_global_name"))

-- dostring and dofile
print(dostring("return 'chunk result'"), dostring("return nil", "named chunk"))
f = tmpname()
writeto(f)
write("return 1 + 1, 'second'")
writeto()
a, b = dofile(f)
print(a, b)
writeto(f)
write("x_from_file = 3")
writeto()
print(type(dofile(f)), x_from_file)
remove(f)
print(dofile("/nonexistent/file.lua"))
print(seterrormethod(print) ~= nil, _ERRORMESSAGE == print)
seterrormethod(old_handler_placeholder or function (m) end)
print(E(seterrormethod, nil))
print(E(dostring, "\27Lua"))
