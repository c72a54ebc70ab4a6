-- sort: default order, comparators, n, errors.
dofile("../harness.lua")

function list(t) local s, i = "", 1 while i <= getn(t) do s = s .. tostring(t[i]) .. " " i = i + 1 end return s end
local t = {5, 2, 8, 1, 9, 3}
eq("returns table", sort(t), t)
eq("numbers", list(t), "1 2 3 5 8 9 ")
eq("strings strcoll", list(sort({"b", "a", "C", "B"})), "B C a b ")
eq("comparator", list(sort({1, 3, 2}, function (a, b) return a > b end)), "3 2 1 ")
eq("uses n", list(sort({3, 2, 1; n = 2})), "2 3 ")
t = {3, 2, 1; n = 2}
sort(t)
eq("beyond n untouched", t[3], 1)
eq("empty", list(sort({})), "")
eq("mixed types", catch(sort, {1, "a", 2}), "unexpected type in comparison")
eq("hole", catch(sort, {3, nil, 1; n = 3}), "unexpected type in comparison")
eq("comp not function", catch(sort, {2, 1}, 1), "bad argument #2 to function `sort' (function expected)")
eq("always true", catch(sort, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, function (a, b) return 1 end),
   "invalid order function for sorting")
-- A larger sort against a checked order.
t = {}
local i = 1
while i <= 500 do t[i] = mod(i * 7919, 1009) i = i + 1 end
sort(t)
local ok = 1
i = 2
while i <= 500 do if t[i - 1] > t[i] then ok = nil end i = i + 1 end
eq("500 sorted", ok, 1)
-- Raw access: a gettable method is not used.
local G = newtag()
local tg = settag({3, 1, 2}, G)
settagmethod(G, "gettable", function (t, k) return 0 end)
sort(tg)
eq("raw access", rawgettable(tg, 1) .. rawgettable(tg, 2) .. rawgettable(tg, 3), "123")

done("sort")
