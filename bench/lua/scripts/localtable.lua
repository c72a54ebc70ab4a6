-- Filling and reading a table with integer keys inside a function, through
-- a local variable.
function fill(n)
  local t = {}
  local i = 1
  while i <= n do t[i] = i * 2  i = i + 1 end
  local sum = 0
  i = 1
  while i <= n do sum = sum + t[i]  i = i + 1 end
  return sum
end
print(fill(1000000))
