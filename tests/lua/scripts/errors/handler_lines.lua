function f(x)
  return x + {}
end
f(1)
