-- Limits of the I/O library's stack listing, seen by calling the handler
-- directly with _ALERT redirected.
dofile("../harness.lua")

iohandler = _ERRORMESSAGE
function capture(s) alerted = s end
function report(message)
  local old = _ALERT
  _ALERT = capture
  iohandler(message)
  _ALERT = old
end

function deep(n)
  if n == 0 then report(strrep("m", 300)) return end
  deep(n - 1)
end
deep(200)
local head = "lua error: " .. strrep("m", 200) .. "\nActive Stack:\n  function `report' [file `listing.lua']\n"
eq("message cut, first lines", strsub(alerted, 1, strlen(head)), head)
eq("listing ends with ...", strsub(alerted, -6), "  ...\n")
eq("listing length", strlen(alerted) > 1250 and strlen(alerted) < 1500, 1)

setglobal(strrep("a", 50) .. "BBBBBBBBBB", function () report("n") end)
getglobal(strrep("a", 50) .. "BBBBBBBBBB")()
eq("name cut to 50", strfind(alerted, "function `" .. strrep("a", 50) .. "'", 1, 1) ~= nil, 1)
eq("rest of name dropped", strfind(alerted, "B", 1, 1), nil)

-- Called with no function active below it: only the chunk's main code.
report("short")
eq("short listing", alerted, "lua error: short\nActive Stack:\n  function `report' [file `listing.lua']\n" ..
   "  main of file `listing.lua'\n")

done("listing")
