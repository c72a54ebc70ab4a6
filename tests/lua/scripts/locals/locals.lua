-- Indexing and comparing locals: the common forms run as single
-- instructions; every other case must behave as the general ones do.
function try(f) call(f, {}, "x", function (m) print("err: " .. m) end) end
local t, k = {10, 20; a = 5}, 2
print(t[k])
local key = "a" print(t[key])
local miss = 3 print(t[miss])
T = newtag() local u = {} settag(u, T)
settagmethod(T, "index", function (t, k) return "idx " .. k end)
print(u[key])
settagmethod(T, "gettable", function (t, k) return "gt " .. k end)
print(u[key])
try(function () local t, k = 5, 1 return t[k] end)
try(function () local t, k = {}, nil return t[k] end)
try(function () local s, k = "str", 1 return s[k] end)
local i, n, sum = 1, 3, 0 while i <= n do sum = sum + (t[i] or 0) i = i + 1 end
print(sum)
local a, b, n = 1, 2, 0/0
local out = ""
if a < b then out = out .. "lt " end
if a == b then out = out .. "eq " else out = out .. "ne " end
if a ~= b then out = out .. "NE " end
if a >= b then out = out .. "ge " end
if a < n then out = out .. "nan< " end
if not (a < n) then out = out .. "notnan " end
local s, t = "a", "b"
if s < t then out = out .. "str< " end
local x, y = {}, {}
T = newtag() settag(x, T) settag(y, T)
settagmethod(T, "lt", function (p, q) return 1 end)
if x < y then out = out .. "tm " end
local i = 1 repeat i = i + 1 until i >= b
local k, m = 0, 5 while k < m do k = k + 1 end
print(out, i, k)
try(function () local a, b = 1, "x" return a < b end)
try(function () local a, b = {}, {} if a <= b then return 1 end end)
