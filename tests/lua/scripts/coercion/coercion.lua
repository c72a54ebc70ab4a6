-- Strings and numbers: arithmetic coercion, number formatting, tonumber.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end
function add(a, b) return a + b end

print("10" + 1, "3" * "4", "10" / "4", -"2")
print(" 10 " + 0, "\t10\n" + 0, "+5" + 0, "-5" + 0, "1e1" + 0, ".5" + 0, "5." + 0, "1E2" + 0, "1e-2" + 0)
bad = {"0x10", "1e", "1e+", ".", "-", "- 5", "5 5", "10a", "", " ", "e1"}
i = 1
while bad[i] do
  print(format("%q", bad[i]), E(add, bad[i], 0))
  i = i + 1
end
print("10" == 10, "abc" == "abc", 1 == 1, nil == nil, {} == {})
print(10 .. "", 1.5 .. "|", -3 .. "")
print(0.1, 1/3, 0.1 + 0.2, 1e15, 1e16, 1e20, 1e-5)
print(2^53, 2^63, 123.456, 100, -7.25, 1e100)
print(1/0, -1/0)
x = 0
print(-x, -0)
print(1 < 2, "a" < "b", "B" < "a", "a\0b" < "a\0c", "a\0" > "a", "abc" <= "abc")
print(E(function () return 1 < "2" end))
print(E(function () return {} < {} end))
print(E(function () return {} + 1 end))
print(E(function () return {} .. "a" end))
print(E(function () return -{} end))
print("2" ^ 3, 2 ^ "3")
print(E(function () return "2" ^ "3" end))
print(E(function () return "a" ^ 2 end))

print(tonumber("10"), tonumber(" 10 "), tonumber("1e2"), tonumber("0x10"), tonumber("abc"))
print(tonumber("-ff", 16), tonumber("+ff", 16), tonumber("FF", 16), tonumber("z", 36), tonumber(" 11 ", 2))
print(tonumber("8", 8), tonumber("1.5", 16), tonumber(strrep("1", 33), 2), tonumber(12, 16))
print(tonumber(), tonumber(nil), tonumber({}), tonumber(5))
print(tonumber("e1"), tonumber("  ", 16), tonumber("", 16), tonumber("e5"))
print(E(tonumber, "10", 37))
print(E(tonumber, "10", nil))
-- without the library's method, ^ has no meaning for numbers
settagmethod(tag(1), "pow", nil)
print(E(function () return 2 ^ 3 end))
