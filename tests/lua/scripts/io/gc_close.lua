-- A file handle that is collected closes (and so flushes) its file.
name = tmpname()
function writeit()
  local f = openfile(%name, "w")
  write(f, "flushed by the collector")
end
writeit()
collectgarbage()
f = openfile(name, "r")
print(read(f, "*a"))
closefile(f)
remove(name)
