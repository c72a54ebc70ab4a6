-- Tables and strings of several megabytes keep every item through growing,
-- shrinking and rehashing.
function check(t, n, f)
  local i, bad = 1, 0
  while i <= n do
    if t[i] ~= f(i) then bad = bad + 1 end
    i = i + 1
  end
  return bad
end
function double(i) return i * 2 end

-- an array part grown one key at a time through 2, 4 and 8 MB
a = {}
n = 300000
i = 1
while i <= n do a[i] = i * 2  i = i + 1 end
print("array", check(a, n, double), getn(a))

-- most keys removed, then new ones: the rehash shrinks the array and the
-- rest move to the hash part
i = 1
while i <= n do if mod(i, 100) ~= 0 then a[i] = nil end  i = i + 1 end
i = 1
while i <= 1000 do a["s" .. i] = i  i = i + 1 end
count, sum = 0, 0
k, v = next(a, nil)
while k do
  count = count + 1
  if type(k) == "number" then sum = sum + v end
  k, v = next(a, k)
end
print("after removal", count, sum, a[300000], a[299999], a.s1000)

-- a hash part of 100000 string keys (4 MB of nodes)
h = {}
i = 1
while i <= 100000 do h["k" .. i] = i  i = i + 1 end
bad = 0
i = 1
while i <= 100000 do if h["k" .. i] ~= i then bad = bad + 1 end  i = i + 1 end
print("hash", bad)

-- a string of 3 MB, joined from pieces and cut again
s = strrep("0123456789", 300000)
s = s .. "end"
print("string", strlen(s), strsub(s, 2999990, 3000003), strfind(s, "9end"))
