-- Strings to numbers in arithmetic, numbers to strings everywhere a string
-- is expected, and the places where no coercion happens.
dofile("../harness.lua")

-- Strings that arithmetic accepts, with the value of s + 0.
local convert = {
  {" 10 ", 10}, {"\t10\n", 10}, {"+5", 5}, {"-5", -5}, {"1e1", 10}, {".5", 0.5},
  {"5.", 5}, {"1E2", 100}, {"1e-2", 0.01}, {"0010", 10},
}
local i = 1
while i <= getn(convert) do
  eq("convert " .. convert[i][1], convert[i][1] + 0, convert[i][2])
  i = i + 1
end

-- Strings that arithmetic refuses (including "e1": 3.2.1 took it as 0).
local refuse = {"0x10", "1e", "1e+", ".", "-", "- 5", "5 5", "10a", "", " ", "e1", "e5"}
i = 1
while i <= getn(refuse) do
  local s = refuse[i]
  eq("refuse " .. show(s), catch(function (s) return s + 0 end, s),
     "unexpected type in arithmetic operation")
  eq("refuse unary " .. show(s), catch(function (s) return -s end, s),
     "unexpected type in arithmetic operation")
  i = i + 1
end
eq("string times string", "3" * "4", 12)
eq("string minus", "10" - 1, 9)
eq("string divide", "1" / "4", 0.25)
eq("string negate", -"2", -2)

-- Number to string is C's "%.16g", the same for every conversion.
local texts = {
  {10, "10"}, {0.1, "0.1"}, {1/3, "0.3333333333333333"}, {0.1 + 0.2, "0.3"},
  {1e15, "1000000000000000"}, {1e16, "1e+16"}, {1e20, "1e+20"}, {1e-5, "1e-05"},
  {-1e-5, "-1e-05"}, {2^53, "9007199254740992"}, {2^63, "9.223372036854776e+18"},
  {123.456, "123.456"}, {-0, "0"}, {1/0, "inf"}, {-1/0, "-inf"}, {1e300 * 1e10, "inf"},
  {100, "100"}, {-7.5, "-7.5"}, {2^-1074 > 0, "1"},
}
i = 1
while i <= getn(texts) do
  local n, s = texts[i][1], texts[i][2]
  eq("concat " .. s, n .. "", s)
  eq("tostring " .. s, tostring(n), s)
  eq("format %s " .. s, format("%s", n), s)
  eq("strsub " .. s, strsub(n, 1), s)
  i = i + 1
end
local zero = 0
eq("negative zero", tostring(-zero), "-0")
eq("literal -0", tostring(-0), "0")
eq("0/0 with GNU libc", tostring(0/0), "-nan")
eq("negated nan", tostring(-(0/0)), "nan")

-- print writes the same text, tab-separated.
print(10, 0.1, 1/3, 1e16, 2^63, -1e-5, nil, "s")

-- Equality and table keys never coerce.
eq("0 == '0'", 0 == "0", nil)
eq("0 ~= '0'", 0 ~= "0", 1)
local t = {}
t[0] = "number" t["0"] = "string"
eq("t[0]", t[0], "number")
eq("t['0']", t["0"], "string")
t[1] = "one"
eq("t[1.0]", t[1.0], "one")
eq("t['1']", t["1"], nil)
-- Order comparisons of a number with a string have no conversion either.
eq("1 < '2'", catch(function () return 1 < "2" end), "unexpected type in comparison")
eq("'10' < '9'", "10" < "9", 1)
eq("10 < 9", 10 < 9, nil)
-- Concatenating anything else is an error.
eq("concat nil", catch(function () return "a" .. nil end), "unexpected type for concatenation")
eq("concat table", catch(function () return {} .. "a" end), "unexpected type for concatenation")

-- A number key may be fractional or negative; 0 and -0 are one key.
t = {}
t[-0] = "z" t[1.5] = "f" t[-2] = "m"
eq("0 and -0", t[0], "z")
eq("fraction key", t[1.5], "f")
eq("negative key", t[-2], "m")
t = {ab = 1}
eq("built string key", t["a" .. "b"], 1)

done("coercion")
