-- The line hook reports the lines where statements start, and nothing more
-- at the end of a chunk, whether or not the chunk ends with a newline.
-- Run with -d, so the chunks below have debug information; this file has
-- none, so that only their lines are reported.
$nodebug
function trace(chunk)
  lines = ""
  setlinehook(function (l) lines = lines .. l .. " " end) dostring(chunk) setlinehook()
  print(lines)
end
trace("x = 1\n\ny = 2")
trace("x = 1\n\ny = 2\n\n")
local example = "local a = 1\nlocal b = 2\n\nfunction k()\n  return 1\nend\nk()"
trace(example)
trace(example .. "\n")
trace(example .. "\n\n-- a comment at the end\n")
