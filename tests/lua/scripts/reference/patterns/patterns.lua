-- strfind and the pattern language.
dofile("../harness.lua")

-- Each case: subject, pattern, further arguments, all results of strfind.
local finds = {
  {"hello", "l+", {}, "3,4"},
  {"hello", "", {}, "1,0"},
  {"", "", {}, "1,0"},
  {"hello", "xyz", {}, "nil"},
  {"hello", "l", {4}, "4,4"},
  {"hello", "l", {-2}, "4,4"},
  {"hello", "o", {5.9}, "5,5"},
  {"hello", "", {6}, "6,5"},
  {"a.b", ".", {1, 1}, "2,2"},
  {"a+b", "+", {1, nil; n = 2}, "2,2"},
  {"a+b", "a+", {1, 0}, "1,2"},
  {"hello", "()ll()", {}, '3,4,"",""'},
  {"hello world", "(o)(.-)(o)", {}, '5,8,"o"," w","o"'},
  {"  x = 10", "^%s*(%w+)%s*=%s*(%d+)$", {}, '1,8,"x","10"'},
  {"hello", "^h", {}, "1,1"},
  {"hello", "^e", {}, "nil"},
  {"hello", "o$", {}, "5,5"},
  {"a$b", "$b", {}, "2,3"},
  {"a^b", "a^", {}, "1,2"},
  {"aaab", "a-b", {}, "1,4"},
  {"aaa", "a-", {}, "1,0"},
  {"aaa", "a*", {}, "1,3"},
  {"ab", "a?b", {}, "1,2"},
  {"b", "a?b", {}, "1,1"},
  {"f(a(b)c)d", "%b()", {}, "2,8"},
  {"x = [[a]]", "%[%[(.*)%]%]", {}, '5,9,"a"'},
  {"abcabc", "(abc)%1", {}, '1,6,"abc"'},
  {"2024-01", "(%d+)-(%d+)", {}, '1,7,"2024","01"'},
  {"hex FF", "[%dA-Fa-f]+", {}, "2,2"},
  {"]x", "[]]", {}, "1,1"},
  {"a-b", "[a-]+", {}, "1,2"},
  {"a-b", "[-b]+", {}, "2,3"},
  {"abc", "[^a]+", {}, "2,3"},
  {"q%", "%q%%", {}, "1,2"},
  {"a.b", "%.", {}, "2,2"},
  {"a\0b", "%z", {}, "2,2"},
  {"a\0b", "[%z]", {}, "2,2"},
  {"a\nb", ".", {2}, "2,2"},
  {"A1 b_", "%a%d%s%l%p", {}, "1,5"},
  {"a1", "%A", {}, "2,2"},
  {"a1", "%D", {}, "1,1"},
  {"\t\1", "%c+", {}, "1,2"},
  {"Ab", "%u%l", {}, "1,2"},
  {"g_", "%w", {}, "1,1"},
  {"zf", "%x", {}, "2,2"},
  {"a)c", ")", {}, "2,2"},
  {"a\0b", "b", {}, "3,3"},
  {"a\0b", "[b]", {}, "3,3"},
  {"a\0b", "b", {1, 1}, "3,3"},
  {"x\0yz", "yz", {1, 1}, "3,4"},
}
local i = 1
while i <= getn(finds) do
  local c = finds[i]
  local args = {c[1], c[2]}
  local j = 1
  while j <= getn(c[3]) do args[j + 2] = c[3][j] j = j + 1 end
  args.n = 2 + getn(c[3])
  eq("strfind(" .. show(c[1]) .. ", " .. show(c[2]) .. ")", results(call, strfind, args), c[4])
  i = i + 1
end

-- Captures: up to 32.
local p32 = strrep("(a)", 32)
eq("32 captures", results(call, strfind, {strrep("a", 32), p32}, "p") ~= nil, 1)

local errors = {
  {"ends with %", "a%", "incorrect pattern (ends with `%')"},
  {"missing ]", "[a", "incorrect pattern (missing `]')"},
  {"empty set", "[]", "incorrect pattern (missing `]')"},
  {"empty negated set", "[^]", "incorrect pattern (missing `]')"},
  {"unfinished capture", "(a", "unfinished capture"},
  {"unmatched )", "a.)", "invalid pattern capture"},
  {"%b short", "%b(", "unbalanced pattern"},
  {"back-reference missing", "(a)%2", "invalid capture index"},
  {"back-reference open", "(a%1)", "invalid capture index"},
  {"33 captures", strrep("(a)", 33), "too many captures"},
}
i = 1
while i <= getn(errors) do
  local c = errors[i]
  eq(c[1], catch(strfind, strrep("a", 40), c[2]), c[3])
  i = i + 1
end
eq("init out of range", catch(strfind, "abc", "a", 5),
   "bad argument #3 to function `strfind' (out of range)")
eq("init -10", catch(strfind, "abc", "a", -10),
   "bad argument #3 to function `strfind' (out of range)")
eq("init len+1", results(strfind, "abc", "", 4), "4,3")

done("patterns")
