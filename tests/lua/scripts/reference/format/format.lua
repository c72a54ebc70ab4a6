-- format: directives, argument selectors, %q and errors.
dofile("../harness.lua")

local cases = {
  {"example", format("%05.1f;%-3d;%q", 3.14159, 7, 'a"b'), '003.1;7  ;"a\\"b"'},
  {"integers", format("%d %i %x %c", 42.9, -3.7, 255.9, 65), "42 -3 ff A"},
  {"octal upper hex", format("%o %X %u", 8, 255, 3), "10 FF 3"},
  {"floats", format("%e %E %g %G %.3f", 12345.678, 0.5, 1e20, 1e-10, 2/3),
   "1.234568e+04 5.000000E-01 1e+20 1E-10 0.667"},
  {"percent", format("100%%"), "100%"},
  {"plain text", format("abc"), "abc"},
  {"flags", format("[%+d][% d][%#o][%-5s][%5s]", 5, 5, 8, "ab", "ab"),
   "[+5][ 5][010][ab   ][   ab]"},
  {"width 99", strlen(format("%99d", 1)), 99},
  {"selectors", format("%2$d -> %1$03d", 1, 34), "34 -> 001"},
  {"selector reuse", format("%1$s %1$s %s", "a", "b"), "a a b"},
  {"%s number", format("%s", 1/3), "0.3333333333333333"},
  {"%s precision", format("%5.2s|", "abc"), "   ab|"},
  {"%s number precision", format("%10.3s|", 12.5), "       12.|"},
  {"%s stops at zero", format("%s", "a\0b"), "a"},
  {"%d numeric string", format("%d", "10"), "10"},
  {"%d beyond int", format("%d %d", 2^31, 1e100), "-2147483648 -2147483648"},
  {"%x negative", format("%x", -1), "ffffffff"},
  {"%c modulo", format("%c", 256 + 66), "B"},
  {"%q zero", format("%q", "a\0b"), '"a\\000b"'},
  {"%q newline", format("%q", 'a "b"\nc'), '"a \\"b\\"\\\nc"'},
  {"%q backslash", format("%q", "a\\b"), '"a\\\\b"'},
  {"%q keeps cr tab", format("%q", "\r\t\1"), '"\r\t\1"'},
  {"%q number", format("%q", 1/3), '"0.3333333333333333"'},
  {"%q width ignored", format("%10q", "a"), '"a"'},
}
local i = 1
while i <= getn(cases) do
  eq(cases[i][1], cases[i][2], cases[i][3])
  i = i + 1
end

-- %q reads back as the same string.
local s = "x\0y\n\"\\\r\t\255z"
eq("%q round trip", dostring("return " .. format("%q", s)), s)

local errors = {
  {"width 123", {"%123d", 1}, "invalid format (width or precision too long)"},
  {"precision 123", {"%1.123d", 1}, "invalid format (width or precision too long)"},
  {"two-digit selector", {"%10$s", 1}, "invalid option in `format'"},
  {"star", {"%*d", 5, 1}, "invalid option in `format'"},
  {"length l", {"%ld", 1}, "invalid option in `format'"},
  {"h", {"%hd", 1}, "invalid option in `format'"},
  {"n", {"%n", 1}, "invalid option in `format'"},
  {"p", {"%p", 1}, "invalid option in `format'"},
  {"unknown letter", {"%y", 1}, "invalid option in `format'"},
  {"trailing %", {"abc%"}, "invalid option in `format'"},
  {"%- alone", {"%-"}, "invalid option in `format'"},
  {"%1 alone", {"%1"}, "invalid option in `format'"},
  {"missing number", {"%d"}, "bad argument #2 to function `format' (number expected)"},
  {"string for %d", {"%d", "x"}, "bad argument #2 to function `format' (number expected)"},
  {"nil for %s", {"%s", nil; n = 2}, "bad argument #2 to function `format' (string expected)"},
  {"table for %s", {"%s", {}}, "bad argument #2 to function `format' (string expected)"},
  {"second missing", {"%s %d", "a"}, "bad argument #3 to function `format' (number expected)"},
}
i = 1
while i <= getn(errors) do
  local c = errors[i]
  eq(c[1], catch(call, format, c[2]), c[3])
  i = i + 1
end

done("format")
