-- Run-time error messages, protected calls and the handler protocol.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end

print(E(function () return {} + 1 end))
print(E(function () local f f() end))
print(E(function () local n = 1 n() end))
print(E(function () local t t.x = 1 end))
print(E(function () local t = {} return t[nil] end))
print(E(function () return {} < 1 end))
print(E(function () return {} .. "" end))
print(E(assert, nil, "custom"))
print(format("%q", E(assert, nil)))
print(E(assert, 1, "unused"))
print(E(error, "plain message"))
print(E(error, 12))
print(E(error))
print(E(error, nil))
print(E(error, {}))
print(E(strsub))
print(E(strsub, "hello", "x"))
print(E(strsub, "hello", 2, nil))
print(E(strbyte, "ABC", nil))
print(E(tremove, {1}, nil))

-- call without "x" propagates; dostring catches everything
function inner() error("inner failed") end
function outer() call(inner, {}) return "not reached" end
print(E(outer))
old = _ERRORMESSAGE
_ERRORMESSAGE = function (m) print("handler: " .. m) end
print(dostring("error('caught by dostring')"))
a, b = dostring("return 1, 2")
print(a, b)
print(type(dostring("x = 1")))
print(dostring("x = = 1"))
_ERRORMESSAGE = old

-- a failing handler does not call itself again
count = 0
print(call(error, {"first"}, "x", function (m) count = count + 1 error("in handler") end))
print(count)

-- deep recursion ends in a Lua error
function r(k) return 1 + r(k + 1) end
print(E(r, 1))
function loop(n) return loop(n + 1) end
print(E(loop, 1))
print("still running")
