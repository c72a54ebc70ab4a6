-- Filling and reading tables: an array part and string keys.
n = 1000000
t = {}
i = 1
while i <= n do t[i] = i * 2  i = i + 1 end
sum = 0
i = 1
while i <= n do sum = sum + t[i]  i = i + 1 end
h = {}
i = 1
while i <= 200000 do h["k" .. i] = i  i = i + 1 end
i = 1
hsum = 0
while i <= 200000 do hsum = hsum + h["k" .. i]  i = i + 1 end
print(sum, hsum)
