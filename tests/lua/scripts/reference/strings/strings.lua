-- The string library: positions, conversions and argument errors.
dofile("../harness.lua")

local cases = {
  {"strsub neg", strsub("hello", -3), "llo"},
  {"strsub 0", strsub("hello", 0), "hello"},
  {"strsub past end", strsub("hello", 10), ""},
  {"strsub empty range", strsub("hello", 3, 2), ""},
  {"strsub clamp", strsub("hello", -100, 2), "he"},
  {"strsub fractions", strsub("hello", 2.7, 3.9), "el"},
  {"strsub prefix", strsub("hello", 1, 2), "he"},
  {"strsub j clamp", strsub("hello", 4, 100), "lo"},
  {"strsub number", strsub(12345, 2, -2), "234"},
  {"strsub zeros", strsub("a\0b\0c", 2, 4), "\0b\0"},
  {"strlen zeros", strlen("a\0b"), 3},
  {"strlen number", strlen(1/4), 4},
  {"strrep", strrep("ab", 3), "ababab"},
  {"strrep fraction", strrep("ab", 2.9), "abab"},
  {"strrep zero", strrep("ab", 0), ""},
  {"strrep negative", strrep("ab", -1), ""},
  {"strlower", strlower("AbC1\0D"), "abc1\0d"},
  {"strupper", strupper("aBc-z"), "ABC-Z"},
  {"strbyte", strbyte("ABC"), 65},
  {"strbyte pos", strbyte("ABC", 2), 66},
  {"strbyte neg", strbyte("ABC", -1), 67},
  {"strbyte high", strbyte("\255"), 255},
  {"strbyte zero", strbyte("\0"), 0},
  {"ascii", ascii, strbyte},
  {"strchar", strchar(72, 105), "Hi"},
  {"strchar none", strchar(), ""},
  {"strchar zero", strchar(0, 255), "\0\255"},
}
local i = 1
while i <= getn(cases) do
  eq(cases[i][1], cases[i][2], cases[i][3])
  i = i + 1
end

local errors = {
  {"strsub no i", strsub, {"hello"}, "bad argument #2 to function `strsub' (number expected)"},
  {"strsub nil j", strsub, {"hello", 2, nil; n = 3}, "bad argument #3 to function `strsub' (number expected)"},
  {"strsub table", strsub, {{}, 1}, "bad argument #1 to function `strsub' (string expected)"},
  {"strbyte nil", strbyte, {"ABC", nil; n = 2}, "bad argument #2 to function `strbyte' (number expected)"},
  {"strbyte out", strbyte, {"ABC", 4}, "bad argument #2 to function `strbyte' (out of range)"},
  {"strbyte empty", strbyte, {""}, "bad argument #2 to function `strbyte' (out of range)"},
  {"strbyte zero pos", strbyte, {"ABC", 0}, "bad argument #2 to function `strbyte' (out of range)"},
  {"strchar 256", strchar, {65, 256}, "bad argument #2 to function `strchar' (invalid value)"},
  {"strchar -1", strchar, {-1}, "bad argument #1 to function `strchar' (invalid value)"},
  {"strchar fraction", strchar, {65.7}, "bad argument #1 to function `strchar' (invalid value)"},
  {"strlen nil", strlen, {n = 1}, "bad argument #1 to function `strlen' (string expected)"},
  {"strrep no n", strrep, {"a"}, "bad argument #2 to function `strrep' (number expected)"},
  {"numeric string as number", strsub, {"hello", "2", " 3 "}, "no error"},
}
i = 1
while i <= getn(errors) do
  local c = errors[i]
  eq(c[1], catch(call, c[2], c[3]), c[4])
  i = i + 1
end
eq("numeric string positions", strsub("hello", "2", " 3 "), "el")

-- No string methods: strings cannot be indexed.
eq("no methods", catch(function () local s = "abc" return s:len() end),
   "indexed expression not a table")

done("strings")
