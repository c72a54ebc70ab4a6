-- How syntax errors name the chunk: string chunks show their first line,
-- cut to 67 characters; a name starting with @ is shown as a file.
_ERRORMESSAGE = function (m) print(m) end
dostring("x = = 1 -- " .. strrep("a", 80))
dostring("x = = 1 -- " .. strrep("a", 56))
dostring("x = = 1\nmore lines")
dostring("\nx = = 1")
dostring("x = = 1", "=name")
dostring("x = = 1", "@named.lua")
dostring("y = 1\nx = = 1")
