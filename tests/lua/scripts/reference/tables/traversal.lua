-- Traversal order observed in 3.2.1 that old scripts came to rely on:
-- integer keys 1..n in ascending order, list keys before record keys.
dofile("../harness.lua")

function order(t)
  local s, k = "", next(t, nil)
  while k do s = s .. tostring(k) .. " " k = next(t, k) end
  return s
end
eq("constructor list", order({"a", "b", "c", "d", "e"}), "1 2 3 4 5 ")
local t = {}
t[3] = 1 t[1] = 1 t[5] = 1 t[2] = 1 t[4] = 1
eq("filled out of order", order(t), "1 2 3 4 5 ")
t = {}
local i = 40
while i >= 1 do t[i * 2] = i i = i - 1 end
local expected, j = "", 1
while j <= 40 do expected = expected .. (j * 2) .. " " j = j + 1 end
eq("even keys", order(t), expected)
-- Scattered fill orders: i * 17 mod 41 visits 1..40 once each.
t = {}
local u = {}
i = 1
while i <= 40 do local k = mod(i * 17, 41) t[k] = i u[k * 2] = i i = i + 1 end
local dense, even = "", ""
j = 1
while j <= 40 do dense = dense .. j .. " " even = even .. (j * 2) .. " " j = j + 1 end
eq("dense keys scattered", order(t), dense)
eq("even keys scattered", order(u), even)
eq("keys in brackets", order({[3] = 1, [1] = 1, [4] = 1, [2] = 1}), "1 2 3 4 ")
eq("brackets among names", order({[1] = 1, x = 1, [2] = 1}), "1 2 x ")
-- Keys hash by their truncated value, so 0 came before 1.
t = {}
i = 12
while i >= 0 do t[i * 3] = i i = i - 1 end
eq("zero and multiples of three", order(t), "0 3 6 9 12 15 18 21 24 27 30 33 36 ")
t[0] = nil
eq("zero removed", order(t), "3 6 9 12 15 18 21 24 27 30 33 36 ")
t = {}
t[0] = 1 t[0.000001] = 2 t[1] = 3
eq("near zero is zero", order(t), "0 1 ")
t = {1, 2; x = 1}
eq("list keys first", strsub(order(t), 1, 4), "1 2 ")
-- foreach follows the same order.
local seen = {s = ""}
foreach({10, 20, 30}, function (k, v) %seen.s = %seen.s .. k end)
eq("foreach order", seen.s, "123")
done("traversal")
