-- A loop whose body ends in an increment still reports the line of its
-- `end` to the line hook on every round, as the jump back has that line.
-- Run with -d, so the chunk below has debug information; this file has
-- none, so that only the chunk's lines are reported.
$nodebug
lines = ""
setlinehook(function (l) lines = lines .. l .. " " end)
dostring("local i = 0\nwhile i < 3 do\n  i = i + 1\nend\nlocal j = 3\nwhile j > 0 do j = j - 1 end")
setlinehook()
print(lines)
