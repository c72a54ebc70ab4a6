-- The error handler: when it runs, what it receives, and the texts of
-- run-time errors.
dofile("../harness.lua")

-- The handler runs before unwinding: the failing function is still active
-- (getstack(0) is getstack, 1 the handler, 2 where the error was raised).
function failing() local x = nil + 1 end
local info = {}
call(failing, {}, "x", function (...)
  %info.n = arg.n
  %info.level1 = getstack(2).func
  return "ignored"
end)
eq("one argument", info.n, 1)
eq("failing function at level 1", info.level1, failing)
call(error, {"m"}, "x", function (m) %info.errfn = getstack(2).func end)
eq("error function at level 1", info.errfn, error)

-- A handler that is not a function is ignored; it is read raw.
_ERRORMESSAGE = "not a function"
eq("string handler", call(error, {"x"}, "x"), nil)
_ERRORMESSAGE = nil
local hits = {0}
settagmethod(tag(nil), "getglobal", function (n, v) %hits[1] = %hits[1] + 1 return print end)
eq("nil handler", call(error, {"x"}, "x"), nil)
settagmethod(tag(nil), "getglobal", nil)
eq("handler read raw", hits[1], 0)

-- Run-time error texts (no position prefix, no variable names).
local texts = {
  {"arithmetic", function () return {} + 1 end, "unexpected type in arithmetic operation"},
  {"unary minus", function () return -{} end, "unexpected type in arithmetic operation"},
  {"comparison", function () return {} < 1 end, "unexpected type in comparison"},
  {"number and string", function () return 1 < "2" end, "unexpected type in comparison"},
  {"concat", function () return {} .. "" end, "unexpected type for concatenation"},
  {"index", function () local x return x.y end, "indexed expression not a table"},
  {"index global nil", function () return undefined_g.y end, "indexed expression not a table"},
  {"call", function () local x x() end, "call expression not a function"},
  {"nil key", function () local x = {} return x[nil] end, "unexpected type to index table"},
  {"bad argument", function () return strsub("hello", {}) end,
   "bad argument #2 to function `strsub' (number expected)"},
  {"argument of a local copy", function () local s = strsub return s("hello", {}) end,
   "bad argument #2 to function `strsub' (number expected)"},
}
local i = 1
while i <= getn(texts) do
  eq(texts[i][1], catch(texts[i][2]), texts[i][3])
  i = i + 1
end

-- An error inside the handler must not recurse forever.
_ERRORMESSAGE = function (m) error("again " .. m) end
eq("failing handler", call(error, {"x"}, "x"), nil)
_ERRORMESSAGE = nil
print("survived")

done("errors")
