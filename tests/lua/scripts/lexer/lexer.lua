-- Tokens: strings, escapes, long strings, numerals, names that are not reserved.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end
-- the message of a compile error, without its position lines
function C(src)
  local m = E(dostring, src)
  if not m then return "no error" end
  local i = strfind(m, ";\n", 1, 1)
  if i then return strsub(m, 1, i - 1) end
  return m
end

print("alo\n123\"" == '\97lo\10\04923"')
print(strlen("\0677"), "\0677")
print("\z", "\q\%\[", "\65\066")
print(strlen("a\0b"), strbyte("a\0b", 2))
print(.5, 3., 3.e2, 314.16e-2, 0.31416E1, 1E2)
print(10 .. 20)
x = [[
abc]]
print(strlen(x), strbyte(x, 1))
print([[a[[b]]c]])
print("a\
b")
print(strlen("tab\there"), strbyte("\r"), strbyte("\v"), strbyte("\f"), strbyte("\a"), strbyte("\b"))
for = 3
break = 4
true = "t"
print(for, break, true, false)
print(dostring("#x\nreturn 7"))
print(dostring("x = 1\r\ny = 2\r\nreturn x + y"))
--[[ this is just a line comment
print("after comment")

print(C("x = 1e"))
print(C("x = 1e+"))
print(C("x = 1..2"))
print(C("x = \"abc"))
print(C("x = \"abc\ndef\""))
print(C("x = [[abc"))
print(C("x = \"\\300\""))
print(C("x = \1"))
print(E(dostring, "x = = 1"))
print(C("x = #a") ~= "no error")
print(C("x = 1 ~ 2") ~= "no error")
