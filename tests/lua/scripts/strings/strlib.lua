-- strlen, strsub, strlower, strupper, strrep, strbyte, strchar.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end

print(strlen(""), strlen("abc"), strlen("a\0b\0"), strlen(123), strlen(1.5))
print(strsub("hello", 2), strsub("hello", 2, 3), strsub("hello", -3), strsub("hello", 1, -2))
print(strsub("hello", 0), strsub("hello", 10), strsub("hello", 3, 2), strsub("hello", -100, 2))
print(strsub("hello", 2.7, 3.9), strsub(12345, 2, 3), strsub("a\0b", 2, 3) == "\0b")
print(strlower("Hello, World 1!"), strupper("Hello, World 1!"), strupper("a\0b") == "A\0B")
print(strrep("ab", 3), strrep("ab", 2.9), strrep("x", 0), strrep("x", -1), strrep("", 5), strrep(7, 2))
print(strbyte("ABC"), strbyte("ABC", 2), strbyte("ABC", -1), strbyte("\255"), strbyte(5))
print(ascii == strbyte, ascii("a"))
print(strchar(72, 105), strchar(), strlen(strchar(0, 0)), strchar("65"))
print(E(strbyte, "", 1))
print(E(strbyte, "ABC", 0))
print(E(strbyte, "ABC", 4))
print(E(strchar, 256))
print(E(strchar, -1))
print(E(strchar, 65.7))
print(E(strchar, 65, "x"))
print(E(strlen))
print(E(strlen, {}))
print(E(strsub, "x"))
print(E(strrep, "x"))
print(E(strrep, "x", 2^29))
