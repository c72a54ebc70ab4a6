-- Operating-system functions.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end
print(type(date()), strlen(date("%Y")), date(""), date("%Q"))
print(type(clock()), clock() >= 0)
print(getenv("LUA32_SURELY_UNDEFINED_VARIABLE"), type(getenv("PATH")))
print(execute("exit 3"), execute("exit 0"))
print(setlocale("C"), setlocale("C", "numeric"), setlocale("no_such_LOCALE.xyz"))
print(E(setlocale, "C", "bogus"))
print(E(setlocale, nil))
write("written before exit\n")
exit(3)
print("not reached")
