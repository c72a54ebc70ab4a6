-- The mathematical library: degrees, C functions, min/max, random, ^.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end

print(random())
randomseed(1)
print(random())
print(sin(90), sin(30), cos(0), tan(0), atan2(1, -1))
print(asin(1), acos(1), atan(1), deg(PI), rad(180), PI)
print(abs(-2), ceil(-3.5), floor(-3.5), ceil(3.2), floor(3.7), sqrt(16))
print(log(1), log10(1000), exp(0), log(0))
print(mod(7, 3), mod(-7, 3), mod(7.5, 2))
print(min(3, 1, 2), max(3, 1, 2), min(5), max("10", 2), min(-1, "-2"))
print(frexp(8), ldexp(0.5, 4))
m, e = frexp(8)
print(m, e)
print(2^3, 2^0.5, 10^-1, (-8)^2)
print(randomseed(5))
ok = 1
i = 1
while i <= 200 do
  local r, a, b = random(), random(5), random(-3, 3)
  if r < 0 or r >= 1 then ok = nil end
  if a < 1 or a > 5 or a ~= floor(a) then ok = nil end
  if b < -3 or b > 3 or b ~= floor(b) then ok = nil end
  if random(2.5) > 2 then ok = nil end
  i = i + 1
end
print(ok, random(4, 4))
print(E(random, 0))
print(E(random, 3, 1))
print(E(min))
print(E(sin, "x"))
print(E(function () return nil ^ 1 end))
