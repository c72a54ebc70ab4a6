-- Garbage collection: gc methods, the nil tag's per-cycle call, roots.
dofile("../harness.lua")

local G = newtag()
freed = {n = 0}
settagmethod(G, "gc", function (o) tinsert(freed, o.id) end)
function make(id) local t = settag({id = id}, %G) return t end

local i = 1
while i <= 10 do make(i) i = i + 1 end
kept = make("kept")
keptkey = {[make("key")] = 1}
function holder() return %kept end
local upv = make("upvalue")
function upholder() return %upv end
upv = nil
local n = collectgarbage()
eq("collectgarbage count", n >= 10, 1)
eq("ten freed", freed.n, 10)
local i, bad = 1, nil
while i <= freed.n do
  if type(freed[i]) ~= "number" then bad = freed[i] end
  i = i + 1
end
eq("only garbage freed", bad, nil)

-- The nil tag's method runs once per cycle, with nil.
cycles = {n = 0}
settagmethod(tag(nil), "gc", function (o) tinsert(cycles, type(o)) end)
collectgarbage()
collectgarbage()
settagmethod(tag(nil), "gc", nil)
eq("nil tag per cycle", cycles.n, 2)
eq("nil tag argument", cycles[1], "nil")

-- Dropping roots frees their objects.
freed = {n = 0}
kept = nil
keptkey = nil
upholder = nil
holder = nil
collectgarbage()
eq("dropped roots", freed.n, 3)

-- Automatic collection keeps memory bounded in a long loop.
freed = {n = 0}
i = 1
while i <= 20000 do make(i) i = i + 1 end
collectgarbage()
eq("all loop tables freed", freed.n, 20000)
i = 1
local s = ""
while i <= 2000 do s = strsub(s .. i, -50) i = i + 1 end
eq("string garbage", strlen(s), 50)

-- A gc method of a table still alive at exit is not run by lua32.
alive = settag({}, newtag())
settagmethod(tag(alive), "gc", function (o) print("gc at exit") end)

done("gc")
