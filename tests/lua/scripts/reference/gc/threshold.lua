-- collectgarbage(limit) sets when the next automatic cycle comes.
dofile("../harness.lua")
cycles = 0
settagmethod(tag(nil), "gc", function () cycles = cycles + 1 end)
collectgarbage(5000)
cycles = 0
local i = 1
while i <= 1000 do local t = {} i = i + 1 end
eq("below the limit", cycles, 0)
while i <= 12000 do local t = {} i = i + 1 end
eq("past the limit", cycles >= 1, 1)
settagmethod(tag(nil), "gc", nil)
done("threshold")
