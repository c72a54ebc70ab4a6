-- Lexical conventions: white space, numerals, quoted and long strings.
dofile("../harness.lua")

-- Chunks and the values they return.
local values = {
  {"cr lf line ends", "x = 1\r\ny = 2\r\nreturn x + y", "3"},
  {"first line #", "#x\nreturn 1", "1"},
  {"first line #!", "#!/usr/local/bin/lua -d\nreturn 2", "2"},
  {"not reserved", "for = 3 break = 4 in = 5 true = 6 false = 7 goto = 8\n" ..
                   "return for + break + in + true + false + goto", "33"},
  {"for as a field", "t = {for = 1, break = 2} return t.for + t.break", "3"},
  {"numeral .5", "return .5", "0.5"},
  {"numeral 3.", "return 3.", "3"},
  {"numeral 3.e2", "return 3.e2", "300"},
  {"numeral forms", "return 314.16e-2 == 3.1416, 0.31416E1 == 3.1416", "1,1"},
  {"exact tenth", "return 0.1 == 1/10", "1"},
  {"numeral then name", "x = 12abc = 3 return x, abc", "12,3"},
  {"spaced concat", "return 1 .. 2", '"12"'},
  {"decimal escapes", [[return "\65\066\0677" == "ABC7", strlen("\0\000")]], "1,2"},
  {"named escapes", [[return strbyte("\a"), strbyte("\b"), strbyte("\f"), strbyte("\n"),
                             strbyte("\r"), strbyte("\t"), strbyte("\v")]],
   "7,8,12,10,13,9,11"},
  {"quote escapes", [[return "\\\"\'" == strchar(92, 34, 39)]], "1"},
  {"other escapes", [[return "\z" == "z", "\q\%\[" == "q%["]], "1,1"},
  {"highest escape", [[return strbyte("\255")]], "255"},
  {"backslash newline", 'return "a\\\nb"', '"a\nb"'},
  {"cr kept in string", 'return strlen("a\rb")', "3"},
  {"other quote inside", [[return strlen("'") + strlen('"')]], "2"},
  {"three spellings", 'return "alo\\n123\\"" == \'\\97lo\\10\\04923"\', ' ..
                      '"alo\\n123\\"" == [[alo\n123"]]', "1,1"},
  {"long string newline kept", "return [[\nabc]]", '"\nabc"'},
  {"long string nests", "return [[a[[b]]c]]", '"a[[b]]c"'},
  {"long string raw", "return [[\\n]]", '"\\n"'},
  {"long string keeps cr", "return strlen([[a\rb]])", "3"},
  {"line comment only", "--[[ lc = 1\nreturn lc", "nil"},
  {"zero byte in string", 'return strlen("a\\0b")', "3"},
}
chunkresults(values)

-- Lexical errors: the first line of the message.
local errors = {
  {"control char", "x = \1", "invalid control char;"},
  {"ambiguous concat", "print(1..2)", "ambiguous syntax (decimal point x string concatenation);"},
  {"exponent without digits", "x = 1e", "invalid numeric format;"},
  {"exponent sign only", "x = 1e+", "invalid numeric format;"},
  {"escape too large", 'x = "\\256"', "escape sequence too large;"},
  {"unfinished string", 'x = "abc', "unfinished string;"},
  {"newline in string", 'x = "ab\ncd"', "unfinished string;"},
  {"unfinished long string", "x = [[abc", "unfinished long string;"},
}
i = 1
while i <= getn(errors) do
  local c = errors[i]
  eq(c[1], first(catchs(c[2])), c[3])
  i = i + 1
end

-- The control character is shown in hexadecimal as the last token read.
eq("control char token", catchs("x = \1"),
   "invalid control char;\n  last token read: `0x01' at line 1 in string `x = \1'")

-- Texts that are not tokens: each must fail to compile, message aside.
local bad = {"x = #a", "x = 1 ~ 2", "x = 3.4.5", "x = [[a]]b]]", "x = 0x10"}
i = 1
while i <= getn(bad) do
  local m = catchs(bad[i])
  if m == "no error" then eq(bad[i], m, "an error") end
  i = i + 1
end

-- The skipped first line still counts for line numbers.
eq("first line counted", catchs("#!x\nx = = 1"),
   "<expression> expected;\n  last token read: `=' at line 2 in string `#!x...'")
-- Memory exhaustion is an error, not a crash.
eq("huge string", catch(strrep, "ab", 2^31), "not enough memory")

done("lexer")
