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
t = {1, 2; x = 1}
eq("list keys first", strsub(order(t), 1, 4), "1 2 ")
-- foreach follows the same order.
local seen = {s = ""}
foreach({10, 20, 30}, function (k, v) %seen.s = %seen.s .. k end)
eq("foreach order", seen.s, "123")
done("traversal")
