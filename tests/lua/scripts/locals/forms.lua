-- Every comparison has several forms: two locals (`if a < b`), a local and a
-- small constant (`if a < 2`), values on the stack (`if t.a < t.b`) and a
-- value (`x = a < b`). All of them must agree, for numbers (NaN and near
-- ones among them), strings, mixed operands and tag methods.
T = newtag()
settagmethod(T, "lt", function (a, b, e) return e end)
settagmethod(T, "le", function (a, b, e) end)
settagmethod(T, "gt", function (a, b, e) return 1 end)
settagmethod(T, "ge", function (a, b, e) return e end)
nan = 0 / 0
values = {1, 2, 1.000001, -3, nan, "1", "b", "a", settag({}, T)}

function yesno(v) if v then return "y" else return "n" end end

-- the six comparisons of a and b in each form; an error is a result too
function forms(a, b)
  local t = {a = a, b = b}
  for_each = {
    function (a, b, t) return yesno(a == b) .. yesno(a ~= b) .. yesno(a < b) .. yesno(a <= b) ..
      yesno(a > b) .. yesno(a >= b) end,
    function (a, b, t) local r = ""
      if a == b then r = r .. "y" else r = r .. "n" end
      if a ~= b then r = r .. "y" else r = r .. "n" end
      if a < b then r = r .. "y" else r = r .. "n" end
      if a <= b then r = r .. "y" else r = r .. "n" end
      if a > b then r = r .. "y" else r = r .. "n" end
      if a >= b then r = r .. "y" else r = r .. "n" end
      return r end,
    function (a, b, t) local r = ""
      if t.a == t.b then r = r .. "y" else r = r .. "n" end
      if t.a ~= t.b then r = r .. "y" else r = r .. "n" end
      if t.a < t.b then r = r .. "y" else r = r .. "n" end
      if t.a <= t.b then r = r .. "y" else r = r .. "n" end
      if t.a > t.b then r = r .. "y" else r = r .. "n" end
      if t.a >= t.b then r = r .. "y" else r = r .. "n" end
      return r end,
  }
  local results = {}
  local i = 1
  while i <= 3 do
    local ok = call(for_each[i], {a, b, t}, "x", function () end)
    results[i] = ok or "error"
    i = i + 1
  end
  return results[1], results[2], results[3]
end

-- against a small constant the local form is its own instruction
function constforms(a)
  local ok = call(function (a) local r = ""
      if a == 2 then r = r .. "y" else r = r .. "n" end
      if a ~= 2 then r = r .. "y" else r = r .. "n" end
      if a < 2 then r = r .. "y" else r = r .. "n" end
      if a <= 2 then r = r .. "y" else r = r .. "n" end
      if a > 2 then r = r .. "y" else r = r .. "n" end
      if a >= 2 then r = r .. "y" else r = r .. "n" end
      return r end, {a}, "x", function () end)
  return ok or "error"
end

i = 1
while i <= getn(values) do
  local j = 1
  while j <= getn(values) do
    local v, c, s = forms(values[i], values[j])
    if v ~= c or v ~= s then print("differ", i, j, v, c, s) end
    j = j + 1
  end
  local k = values[i]
  local v = forms(k, 2)
  local c = constforms(k)
  if v ~= c then print("differ with 2", i, v, c) end
  print(i, c, forms(k, values[i]))
  i = i + 1
end

-- A loop's body ending in an increment of a local takes the jump back
-- itself; with a tag method the increment runs it first.
function loops()
  local n, d = 0, 10
  while n < 5 do n = n + 1 end
  while d > 0 do d = d - 3 end
  steps = 0
  local x = settag({}, T)
  settagmethod(T, "add", function (a, b) steps = steps + 1  if steps < 3 then return a end end)
  while x do x = x + 1 end
  settagmethod(T, "add", nil)
  print(n, d, steps)
end
loops()
