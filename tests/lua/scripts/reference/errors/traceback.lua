-- Uncaught run-time error under -d: the I/O library's stack listing.
function f(x)
  return x + {}
end
local g = function (t, k) return f(k) end
T = newtag()
settagmethod(T, "index", function (t, k) return %g(t, k) end)
t = settag({}, T)
print(t.x)
