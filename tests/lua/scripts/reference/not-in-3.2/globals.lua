-- The global names lua32 starts with: exactly the built-in functions and
-- the four libraries, nothing from later versions.
local expected = {
  -- built-in
  "_VERSION", "_ALERT", "_ERRORMESSAGE", "assert", "call", "collectgarbage",
  "copytagmethods", "dofile", "dostring", "error", "foreach", "foreachi", "foreachvar",
  "getglobal", "getn", "gettagmethod", "newtag", "next", "nextvar", "print",
  "rawgetglobal", "rawsetglobal", "rawgettable", "rawsettable", "setglobal", "settag",
  "settagmethod", "sort", "tag", "tinsert", "tremove", "tonumber", "tostring", "type",
  "seterrormethod",
  -- strings
  "strlen", "strsub", "strlower", "strupper", "strrep", "strbyte", "strchar", "format",
  "strfind", "gsub", "ascii",
  -- input and output
  "readfrom", "writeto", "appendto", "openfile", "closefile", "read", "write", "seek",
  "flush", "remove", "rename", "tmpname", "date", "clock", "exit", "getenv", "execute",
  "setlocale", "debug", "_INPUT", "_OUTPUT", "_STDIN", "_STDOUT", "_STDERR",
  -- mathematics
  "abs", "acos", "asin", "atan", "atan2", "ceil", "cos", "deg", "floor", "log", "log10",
  "max", "min", "mod", "rad", "sin", "sqrt", "tan", "frexp", "ldexp", "random",
  "randomseed", "exp", "PI",
  -- reflexive debugging
  "funcinfo", "getstack", "getlocal", "setlocal", "setcallhook", "setlinehook",
}
local want = {}
local i = 1
while expected[i] do want[expected[i]] = 1 i = i + 1 end
local have = {}
local name = nextvar(nil)
while name do
  have[name] = 1
  if not want[name] then print("extra global: " .. name) end
  name = nextvar(name)
end
i = 1
while expected[i] do
  if not have[expected[i]] then print("missing global: " .. expected[i]) end
  i = i + 1
end
print("globals checked")
