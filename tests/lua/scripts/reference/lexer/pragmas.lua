-- The pre-processor: directive lines that start with `$'.
dofile("../harness.lua")

defined_at_compile = 1
local values = {
  {"$if nil", "$if nil\nx = 1\n$else\nx = 2\n$end\nreturn x", "2"},
  {"$if 1", "$if 1\nx = 1\n$else\nx = 2\n$end\nreturn x", "1"},
  {"$ifnot nil", "$ifnot nil\nx = 1\n$else\nx = 2\n$end\nreturn x", "1"},
  {"$if global", "$if defined_at_compile\nx = 1\n$else\nx = 2\n$end\nreturn x", "1"},
  {"$if compile time", "assigned_later = 1\n$if assigned_later\nx = 1\n$else\nx = 2\n$end\n" ..
                       "return x", "2"},
  {"$ifnot global", "$ifnot defined_at_compile\nx = 1\n$end\nreturn 3", "3"},
  {"four nested", "$if 1\n$if 1\n$if 1\n$if 1\nx = 4\n$end\n$end\n$end\n$end\nreturn x", "4"},
  {"nested in skipped", "x = 0\n$if nil\n$if 1\nx = 1\n$end\n$else\nx = 5\n$end\nreturn x", "5"},
  {"skipped lines untokenised", "$if nil\n@@ \"unfinished [[\n$end\nreturn 9", "9"},
  {"$endinput", "return 5\n$endinput\n@@ garbage", "5"},
  {"$endinput rest of line", "return 6\n$endinput and more words\n@@", "6"},
  {"$endinput inside $if", "$if 1\nreturn 7\n$endinput\n", "7"},
  {"$endinput skipped", "$if nil\n$endinput\n$end\nreturn 8", "8"},
  {"directive in long string", "return [[a\n$debug\nb]]", '"a\nb"'},
  {"$debug and $nodebug", "$debug\n$nodebug\nreturn 1", "1"},
}
chunkresults(values)

local errors = {
  {"unknown", "$foo\nx = 1", "unknown pragma;"},
  {"unknown in skipped part", "$if nil\n$foo\n$end\n", "unknown pragma;"},
  {"$if 2", "$if 2\n$end\n", "invalid $if condition;"},
  {"$if string", '$if "a"\n$end\n', "invalid $if condition;"},
  {"$if nothing", "$if\n$end\n", "invalid $if condition;"},
  {"words after condition", "$if 1 x\n$end\n", "invalid pragma format;"},
  {"words after $debug", "$debug now\n", "invalid pragma format;"},
  {"unmatched $else", "$else\n", "unmatched $else;"},
  {"unmatched $end", "x = 1\n$end\n", "unmatched $end;"},
  {"input ends in $if", "$if 1\nx = 1\n", "input ends inside a $if;"},
  {"five nested", "$if 1\n$if 1\n$if 1\n$if 1\n$if 1\n$end\n$end\n$end\n$end\n$end\n",
   "too many nested $ifs;"},
}
i = 1
while i <= getn(errors) do
  local c = errors[i]
  eq(c[1], first(catchs(c[2])), c[3])
  i = i + 1
end

-- A `$' that is not the first character of its line is not a directive.
local m = catchs(" $debug\nx = 1")
if m == "no error" then eq("indented $debug", m, "an error") end

-- The debug setting lasts only while its own chunk is compiled: functions
-- of the first chunk know their lines, those of the second do not.
dostring("$debug\nfunction with_lines() return getstack(1).current end")
dostring("function without_lines() return getstack(1).current end")
eq("$debug lines", with_lines(), 2)
eq("after the chunk", without_lines(), nil)

done("pragmas")
