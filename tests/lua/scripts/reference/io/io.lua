-- The I/O library on temporary files: handles, read patterns, errors.
dofile("../harness.lua")

eq("initial input", _INPUT, _STDIN)
eq("initial output", _OUTPUT, _STDOUT)
eq("open failure", results(openfile, "/nonexistent/x", "r"), 'nil,"No such file or directory",2')
eq("mode required", catch(openfile, "x"), "bad argument #2 to function `openfile' (string expected)")

local name = tmpname()
eq("tmpname", type(name), "string")
-- Writes some text with a fresh file.
function fill(text)
  local h = openfile(%name, "w")
  eq("write returns", tostring(write(h, text)), "userdata: (nil)")
  eq("closefile returns nothing", results(closefile, h), "")
end
-- All results of read(...) on a file holding text.
function reads(text, ...)
  fill(text)
  local h = openfile(%name, "r")
  tinsert(arg, 1, h)
  local r = results(call, read, arg)
  closefile(h)
  return r
end

local patterns = {
  {"", {}, ""},
  {"\n\nabc", {"*l", "*l", "*l"}, '"","","abc"'},
  {"one\ntwo\n", {"*l", "*l", "*l"}, '"one","two"'},
  {"x", {"x", "y", "x"}, '"x"'},
  {"x", {"y", "x"}, ""},
  {"abc\ndef", {"*a"}, '"abc\ndef"'},
  {"", {"*a"}, '""'},
  {"  hello world ", {"*w", "*w", "*w"}, '"hello","world"'},
  {" 12.5 next", {"*n", "*w"}, '12.5,"next"'},
  {"0x1A", {"*n"}, "26"},
  {"abc", {"*n"}, ""},
  {"line1\n", {"line%d?x"}, '"line1"'},
  {"a5", {"%d*", "%a"}, '"","a"'},
  {"end", {"{e}", "*a"}, '"","nd"'},
  {"abc", {"*x"}, ""},
  {"aab", {"a+", "b"}, '"aa","b"'},
  {"  word", {"{%s*}%S+"}, '"word"'},
  {"k=v\n", {"[^=]*", "{=}", "*l"}, '"k","","v"'},
  {"x", {}, '"x"'},
  {"", {"*l"}, ""},
}
local i = 1
while i <= getn(patterns) do
  local c = patterns[i]
  eq("read " .. i .. " " .. show(c[1]), call(reads, {c[1], c[2][1], c[2][2], c[2][3];
     n = 1 + getn(c[2])}), c[3])
  i = i + 1
end
-- A failed pattern leaves the input untouched.
fill("x")
local h = openfile(name, "r")
eq("failed read", results(read, h, "y"), "")
eq("input untouched", read(h, "*a"), "x")
eq("read table pattern", catch(read, h, {}), "bad argument #2 to function `read' (string expected)")
eq("write to read-only", results(write, h, "z"), 'nil,"Bad file descriptor",9')

-- seek
eq("seek end", seek(h, "end"), 1)
eq("seek set", seek(h, "set"), 0)
eq("seek cur", seek(h), 0)
eq("seek offset", seek(h, "set", 1), 1)
eq("seek before start", results(seek, h, "set", -1), 'nil,"Invalid argument",22')
eq("seek bad mode", catch(seek, h, "middle"), "bad argument #2 to function `seek' (invalid mode)")

-- Closed handles change tag and refuse use.
local opentag = tag(h)
closefile(h)
eq("closed tag differs", tag(h) ~= opentag, 1)
eq("read closed", catch(read, h), "cannot access a closed file")
eq("write closed", catch(write, h, "x"), "cannot access a closed file")
eq("close closed", catch(closefile, h), "cannot access a closed file")
eq("not a handle", catch(closefile, 1), "bad argument #1 to function `closefile' (invalid file handle)")
eq("write table", catch(write, {}), "bad argument #1 to function `write' (string expected)")
eq("write nil", catch(write, nil), "bad argument #1 to function `write' (string expected)")

-- writeto, appendto, readfrom and the default files.
local w = writeto(name)
eq("writeto sets _OUTPUT", _OUTPUT, w)
write("a", 1, "\n")
eq("writeto() restores", writeto(), _STDOUT)
eq("output restored", _OUTPUT, _STDOUT)
appendto(name)
write(2.5)
writeto()
local r = readfrom(name)
eq("readfrom sets _INPUT", _INPUT, r)
eq("default input", results(read, "*l", "*l"), '"a1","2.5"')
eq("readfrom() restores", readfrom(), _STDIN)
eq("input restored", _INPUT, _STDIN)
eq("readfrom missing", results(readfrom, "/nonexistent/x"), 'nil,"No such file or directory",2')
eq("write number text", results(function () fill(1/3) return read(openfile(%name, "r"), "*a") end),
   '"0.3333333333333333"')

-- Files and the system.
local other = name .. ".renamed"
eq("rename", tostring(rename(name, other)), "userdata: (nil)")
eq("renamed away", openfile(name, "r"), nil)
eq("remove", tostring(remove(other)), "userdata: (nil)")
eq("remove missing", results(remove, other), 'nil,"No such file or directory",2')
eq("getenv missing", getenv("NO_SUCH_VARIABLE_ZZ"), nil)
eq("getenv", getenv("LUAQA_TEST_VALUE") == nil or type(getenv("LUAQA_TEST_VALUE")) == "string", 1)
eq("execute status", execute("exit 3"), 768)
eq("setlocale C", setlocale("C"), "C")
eq("setlocale category", setlocale("C", "numeric"), "C")
eq("setlocale nil", catch(setlocale, nil), "bad argument #1 to function `setlocale' (string expected)")
eq("setlocale bad category", catch(setlocale, "C", "bad"),
   "bad argument #2 to function `setlocale' (invalid option)")
eq("date passes unknown", date("%Q"), "%Q")
eq("date format", strlen(date("%Y")), 4)
eq("clock", type(clock()), "number")
eq("flush", tostring(flush()), "userdata: (nil)")

done("io")
