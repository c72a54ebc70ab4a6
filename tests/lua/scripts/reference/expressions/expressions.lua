-- Operators, truth values, adjustment of value lists and statement order.
dofile("../harness.lua")

-- Precedence and associativity (and/or share one level, .. is left-assoc).
local values = {
  {"truth values", "return 1 < 2, 2 < 1, not nil, not 0", "1,nil,1,nil"},
  {"or before and", "return 1 or nil and nil", "nil"},
  {"or then and", "return 1 or nil and 2", "2"},
  {"and then or", "return nil and 1 or 2", "2"},
  {"relational left", "return 1 < 2 < 3", "1"},
  {"concat chain", "return 2 .. 3 .. 4", '"234"'},
  {"plus before concat", "return 1 + 2 .. 3", '"33"'},
  {"unary minus and pow", "return -2^2, 2^-1, 2^3^2, - - 2", "-4,0.5,512,2"},
  {"not before ==", "return not nil == nil", "nil"},
  {"mul before add", "return 2 + 3 * 4, (2 + 3) * 4, 7 - 2 - 1, 8 / 2 / 2", "14,20,4,2"},
  {"zero and empty are true", "return 0 and 1, '' and 2", "1,2"},
  {"and or values", "return nil or 'd', 'a' and 'b', nil and 1, 'x' or 'y'",
   '"d","b",nil,"x"'},
  {"division by zero", "return 1/0, -1/0", "inf,-inf"},
  {"equality by type", "return 1 == 1.0, 'a' == 'a', nil == nil, {} == {}", "1,1,1,nil"},
  {"strings with zeros", 'return "a\\0b" < "a\\0c", "a\\0" > "a", "C" < "a"', "1,1,1"},
  {"string order", 'return "a" < "b", "ab" < "abc", "b" <= "b", "b" >= "c"', "1,1,1,nil"},
}
chunkresults(values)

-- Adjustment: a call gives all its results only as the last expression of
-- an assignment, a local list or a return.
function f3() return 1, 2, 3 end
function g2() return 1, 2 end
function none() end
function count(...) return arg.n end
a, b, c = f3(), 10
eq("call not last", results(function () return a, b, c end), "1,10,nil")
a, b, c = 10, f3()
eq("call last", results(function () return a, b, c end), "10,1,2")
local la, lb = f3()
eq("local list", la .. lb, "12")
eq("argument", count(f3()), 1)
eq("last argument", count(10, f3()), 2)
eq("no results as argument", count(none()), 1)
eq("constructor", getn({f3()}), 1)
local t = {g2(), g2()}
eq("constructor items", results(function () return %t[1], %t[2], %t[3] end), "1,1,nil")
eq("return list", results(function () return 0, f3() end), "0,1,2,3")
eq("parentheses keep all", results(function () return (f3()) end), "1,2,3")
a, b, c = (f3())
eq("parenthesised assignment", results(function () return a, b, c end), "1,2,3")
eq("strsub with a call", strsub("hello", g2()), "hello")
eq("print-like argument", results(function () return count(strfind("hello", "l+")) end), "1")

-- Assignment: left index expressions first, then the right side; the
-- stores themselves happen from right to left.
x, x = 2, 3
eq("same variable twice", x, 2)
n = 0
function nx() n = n + 1 return n end
t = {}
t[nx()], t[nx()] = nx(), nx()
eq("left before right", results(function () return %t[1], %t[2] end), "3,4")
x, y = 1, 2
x, y = y, x
eq("swap", x .. y, "21")
eq("evaluation order", results(function () n = 0 return nx() .. nx() .. nx() end), '"123"')

-- repeat: the condition cannot see the body's locals.
i = 0
repeat local finished = 1  i = i + 1 until finished or i > 3
eq("repeat scope", i, 4)
x = "global"
repeat local x = "local" until x == "global"
eq("repeat reached global", x, "global")

-- local x = x reads the outer x; locals start as nil.
x = 5
do local x = x + 1  eq("local x = x", x, 6) end
do local p, q = 1  eq("missing initial value", q, nil) end
eq("global untouched", x, 5)

-- Constructors: left to right; the later part wins; first duplicate kept.
t = {[1] = "a"; 1, 2}
eq("list part wins", t[1], 1)
t = {1, 2; [1] = "a"}
eq("record part wins", t[1], "a")
t = {x = 1, y = 2, x = 3}
eq("first duplicate kept", t.x, 1)
n = 0
t = {[nx()] = nx(), [nx()] = nx()}
eq("key before value", results(function () return %t[1], %t[3] end), "2,4")
t = {1, 2}
eq("no n field", t.n, nil)

-- Methods: o:m() passes o, looked up through indexing.
obj = {v = 7}
function obj:get(d) return self.v + d end
eq("method call", obj:get(1), 8)
eq("method sugar", obj.get(obj, 2), 9)

done("expressions")
