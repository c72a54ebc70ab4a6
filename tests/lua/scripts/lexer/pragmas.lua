-- Pre-processor lines: conditional parts, $endinput, and their errors.
function C(src)
  errmsg = nil
  call(dostring, {src}, "x", function (m) errmsg = m end)
  if not errmsg then return "no error" end
  local i = strfind(errmsg, ";\n", 1, 1)
  if i then return strsub(errmsg, 1, i - 1) end
  return errmsg
end

$if nil
print("skipped")
this is not even Lua
$else
print("else part")
$end
$ifnot nil
print("ifnot part")
$end
$if 1
print("if 1")
$end
defined = 1
dostring("$if defined\nprint('defined at compile time')\n$end\n")
dostring("$if undefinedname\nprint('wrong')\n$else\nprint('undefined name')\n$end\n")
dostring("late = 1\n$if late\nprint('wrong')\n$else\nprint('assignment came too late')\n$end\n")
dostring("$debug\nprint('debug on')\n$nodebug\nprint('debug off')\n")
dostring("print('before')\n$endinput\nprint('after')\n")
print(C("$foo\n"))
print(C("$if 2\n$end\n"))
print(C("$else\n"))
print(C("$end\n"))
print(C("$if 1\nx = 1\n"))
print(C("$debug extra\n"))
print(C(" $debug\n") ~= "no error")
