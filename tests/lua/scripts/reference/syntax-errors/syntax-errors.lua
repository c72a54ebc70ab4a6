-- Syntax errors: message texts, the second line of the report, and texts
-- that must compile.
dofile("../harness.lua")

-- First line of the message for each faulty chunk.
local errors = {
  {"empty statement", "x = 1; ; y = 2", "<eof> expected;"},
  {"lone semicolon", ";", "<eof> expected;"},
  {"function in function", "function f() function g() end end", "`end' expected;"},
  {"parenthesised call", '(print)("x")', "unexpected token;"},
  {"assign to upvalue", "function f() %x = 1 end", "syntax error;"},
  {"two dots in funcname", "function a.b.c() end", "`(' expected;"},
  {"dot and colon in funcname", "function a.b:c() end", "`(' expected;"},
  {"mixed list part", "t = {1, x=2}", "ill-formed expression;"},
  {"mixed record part", "t = {x=1, 2}", "NAME or `[' expected;"},
  {"two list parts", "t = {1; 2}", "invalid constructor syntax;"},
  {"two record parts", "t = {x=1; y=2}", "invalid constructor syntax;"},
  {"lone comma", "t = {,}", "<expression> expected;"},
  {"missing then", "if x x = 1 end", "`then' expected;"},
  {"missing do", "while x x = 1 end", "`do' expected;"},
  {"missing until", "repeat x = 1", "`until' expected;"},
  {"outer local in function", "local a = 1 function g() return a end",
   "cannot access a variable in outer scope;"},
  {"outer local two levels", "function f() local a = 1 return function () " ..
                             "return function () return %a end end end",
   "cannot access a variable in outer scope;"},
  {"upvalue of own local", "function f() local a = 1 return %a end",
   "cannot access an upvalue in current scope;"},
  {"upvalue in main", "local a = 1 print(%a)", "cannot access upvalue in main;"},
  {"return not last", "return 1 x = 2", "<eof> expected;"},
}
local i = 1
while i <= getn(errors) do
  local c = errors[i]
  eq(c[1], first(catchs(c[2])), c[3])
  i = i + 1
end

-- Whole messages: token, line, and the short description of the chunk.
local long = "x = 1 -- " .. strrep("abcdefghij", 10) .. "\nx = = 1"
local whole = {
  {"expression expected", "x = = 1", nil,
   "<expression> expected;\n  last token read: `=' at line 1 in string `x = = 1'"},
  {"to close", "if x then\nx = 1", nil,
   "`end' expected (to close `if' at line 1);\n" ..
   "  last token read: `<eof>' at line 2 in string `if x then...'"},
  {"same line, no to close", "if x then x = 1", nil,
   "`end' expected;\n  last token read: `<eof>' at line 1 in string `if x then x = 1'"},
  {"function token", "function f() function g() end end", nil,
   "`end' expected;\n  last token read: `function' at line 1 in string " ..
   "`function f() function g() end end'"},
  {"file chunk", "x = = 1", "@prog.lua",
   "<expression> expected;\n  last token read: `=' at line 1 in file `prog.lua'"},
  {"= chunk name", "x = = 1", "=name",
   "<expression> expected;\n  last token read: `=' at line 1 in string `=name'"},
  {"leading newline", "\nx = = 1", nil,
   "<expression> expected;\n  last token read: `=' at line 2 in string `...'"},
  {"cut to 67", long, nil,
   "<expression> expected;\n  last token read: `=' at line 2 in string `" ..
   strsub(long, 1, 67) .. "...'"},
  {"text after the last statement", "return 1 2", nil,
   "<eof> expected;\n  last token read: `2' at line 1 in string `return 1 2'"},
  {"unfinished call", "f(", nil,
   "`)' expected;\n  last token read: `<eof>' at line 1 in string `f('"},
  {"unfinished call, to close", "f(\n", nil,
   "`)' expected (to close `(' at line 1);\n" ..
   "  last token read: `<eof>' at line 2 in string `f(...'"},
  {"call closed by a keyword", "if x then f(else end", nil,
   "`)' expected;\n  last token read: `else' at line 1 in string `if x then f(else end'"},
  {"unfinished string token", 'x = "ab', nil,
   'unfinished string;\n  last token read: `"ab\' at line 1 in string `x = "ab\''},
}
i = 1
while i <= getn(whole) do
  local c = whole[i]
  eq(c[1], catchs(c[2], c[3]), c[4])
  i = i + 1
end

-- Texts that must compile.
local good = {
  "t = {}", "t = {;}", "t = {1, 2,}", "t = {x=1, y=2}", "t = {1, 2; x=1}",
  "t = {x=1; 1, 2}", "t = {1, 2, ; n=2,}", "t = {x, y}", "t = {[1]=1, [2]=2; 3}",
  "x = (print)", "do return end", "return;", "x = 1; y = 2;",
  "f = function (a, ...) return arg end",
  "t = {} function t:m() return self end", "function t.f() end",
  "function f() %t.x = 1 return %t[1], %print(1) end",
  "f = function () end f{1} f'a' f\"b\" f[[c]]",
  "if nil then elseif nil then else end",
  "function g() g2 = function () end end",
  "x = 1 do local x = 2 end while nil do end repeat until 1",
}
i = 1
while i <= getn(good) do
  eq(good[i], catchs(good[i]), "no error")
  i = i + 1
end

-- Limits: reaching each limit compiles; going far beyond may fail, but only
-- with a message.
function names(prefix, n, sep)
  local s, i = "", 1
  while i <= n do
    if i > 1 then s = s .. sep end
    s = s .. prefix .. i
    i = i + 1
  end
  return s
end
local limits = {
  {"200 locals", "local " .. names("v", 200, ", ")},
  {"100 parameters", "f = function (" .. names("p", 100, ", ") .. ") end"},
  {"32 upvalues", "f = function () return " .. names("%u", 32, " .. ") .. " end"},
  {"100 assigned", names("a", 100, ", ") .. " = 1"},
  {"250 arguments", "f = function () end f(" .. names("", 250, ", ") .. ")"},
  {"deep parentheses", "x = " .. strrep("(", 2000) .. "1" .. strrep(")", 2000)},
  {"deep blocks", strrep("do ", 2000) .. strrep("end ", 2000)},
  {"deep functions", "x = " .. strrep("function () return ", 300) .. "1" ..
                     strrep(" end", 300)},
  {"long literal", "x = '" .. strrep("x", 100000) .. "'"},
  {"large constructor", "x = {" .. strrep("1, ", 20000) .. "}"},
}
i = 1
while i <= getn(limits) do
  local m = catchs(limits[i][2])
  eq(limits[i][1], m, "no error")
  i = i + 1
end
local beyond = {
  "local " .. names("v", 2000, ", "),
  "f = function (" .. names("p", 2000, ", ") .. ") end",
  "f = function () return " .. names("%u", 500, " .. ") .. " end",
  names("a", 2000, ", ") .. " = 1",
  "f = function () end f(" .. names("", 3000, ", ") .. ")",
}
i = 1
while i <= getn(beyond) do
  local m = catchs(beyond[i])
  if type(m) ~= "string" then eq("beyond limit " .. i, m, "a message") end
  i = i + 1
end

done("syntax-errors")
