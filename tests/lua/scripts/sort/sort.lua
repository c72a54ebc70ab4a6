-- sort: default order, comparators, the n field, errors.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end
function show(t)
  local s, i = "", 1
  while i <= getn(t) do s = s .. tostring(t[i]) .. " " i = i + 1 end
  return s
end

print(show(sort({5, 2, 8, 1, 9, 3})))
print(show(sort({"b", "a", "C", "c", "B", "A"})))
print(show(sort({3, 1, 2}, function (a, b) return a > b end)))
t = {4, 3, 2, 1; n = 2}
sort(t)
print(show(t), t[3], t[4])
print(show(sort({})), show(sort({7})))
words = {"pear", "fig", "banana", "kiwi"}
sort(words, function (a, b) return strlen(a) < strlen(b) end)
print(words[1], words[4])

-- a larger table, checked for order
big = {}
i = 1
seed = 7
while i <= 500 do seed = mod(seed * 31 + 11, 1009)  big[i] = seed  i = i + 1 end
sort(big)
ok = 1
i = 2
while i <= 500 do if big[i - 1] > big[i] then ok = nil end  i = i + 1 end
print(ok, getn(big))
recs = {}
i = 1
while i <= 100 do recs[i] = {k = mod(i * 7, 13), id = i}  i = i + 1 end
sort(recs, function (a, b) return a.k < b.k end)
ok = 1
i = 2
while i <= 100 do if recs[i - 1].k > recs[i].k then ok = nil end  i = i + 1 end
print(ok)

print(E(sort, {1, "x"}))
print(E(sort, {1, 2}, 1))
print(E(sort, 1))
