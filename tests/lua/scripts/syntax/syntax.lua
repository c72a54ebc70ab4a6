-- Precedence, constructors, statements, and the messages of syntax errors.
function C(src)
  errmsg = nil
  call(dostring, {src}, "x", function (m) errmsg = m end)
  if not errmsg then return "no error" end
  local i = strfind(errmsg, ";\n", 1, 1)
  if i then return strsub(errmsg, 1, i - 1) end
  return errmsg
end
function F(src)
  errmsg = nil
  call(dostring, {src}, "x", function (m) errmsg = m end)
  return errmsg
end

print(1 < 2, 2 < 1, not nil, not 0)
print(1 or nil and nil, 1 or nil and 2, nil and 1 or 2)
print(1 < 2 < 3, 2 .. 3 .. 4, 1 + 2 .. 3, -2^2, 2^-1, 2^3^2, not nil == nil, - - 2)
print(2 + 3 * 4, (2 + 3) * 4, 7 - 2 - 1, 8 / 2 / 2)

t = {1, 2; x = 1}
print(t[1], t[2], t.x)
t = {x = 1; 1, 2}
print(t[1], t[2], t.x)
t = {1, 2, ; n = 2,}
print(t.n, t[3])
t = {;}
print(next(t, nil))
t = {[1] = "a"; 1, 2}
print(t[1])
t = {1, 2; [1] = "a"}
print(t[1])
t = {x, y}
print(t[1], t[2])
function f() return 1, 2 end
t = {f(), f()}
print(t[1], t[2], t[3])
a, b, c = (f())
print(a, b, c)

-- assignment: left index expressions first, then the right side
cnt = 0
function n() cnt = cnt + 1 return cnt end
t = {}
t[n()], t[n()] = n(), n()
print(t[1], t[2])
x, y = 1, 2
x, y = y, x
print(x, y)

-- repeat's condition does not see the body's locals
i = 0
repeat local done = 1  i = i + 1 until done or i > 3
print(i)

function early(x)
  if x then do return "early" end end
  return "late"
end
print(early(1), early(nil))

s = 0
i = 1
while i <= 10 do s = s + i  i = i + 1 end
print(s)
if nil then print("no") elseif 0 then print("elseif") else print("no") end

-- calls with a string or table argument
function id(x) return x end
print(id"lit", id[[long]], id{5}[1])

o = {v = 10}
function o:get(d) return self.v + d end
function o.static(d) return d end
print(o:get(1), o.static(2))

print(C("t = {1, x = 2}"))
print(C("t = {x = 1, 2}"))
print(C("t = {1; 2}"))
print(C("t = {x = 1; y = 2}"))
print(C("t = {,}"))
print(C("function f() function g() end end"))
print(C("(print)('x')"))
print(C("x = 1; ; y = 2"))
print(C("function f() %x = 1 end"))
print(C("function a.b.c() end"))
print(C("local a = 1  function g() return a end"))
print(C("local a = 1  print(%a)"))
print(C("function f() local a = 1  return function () return %a end end"))
print(C("function f(a) return %a end"))
print(C("function f() local a = 1  return function () return function () return %a end end end"))
print(C("x = 1 return 2 x = 3"))
print(F("if x then"))
print(F("if x then\n"))
print(F("f(1"))
