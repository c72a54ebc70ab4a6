-- Files: writeto/readfrom/appendto, openfile, read patterns, seek, errors.
function E(f, ...)
  errmsg = nil
  call(f, arg, "x", function (m) errmsg = m end)
  return errmsg
end
function R(...) return call(read, arg, "p") end
function show(t)
  local s, i = "", 1
  while i <= t.n do s = s .. format("%q", t[i]) .. " " i = i + 1 end
  return s .. "(" .. t.n .. ")"
end
-- all results of a call, userdata shown by type only
function A(f, ...)
  local r = call(f, arg, "p")
  local s, i = "", 1
  while i <= r.n do
    local v = r[i]
    if type(v) == "userdata" then v = "userdata" end
    s = s .. tostring(v) .. " "
    i = i + 1
  end
  return s .. "(" .. r.n .. ")"
end
function fill(text)
  writeto(name)
  write(text)
  writeto()
  readfrom(name)
end

name = tmpname()
print(type(name), name ~= tmpname())
print(writeto(name) == _OUTPUT, _OUTPUT ~= _STDOUT)
print(type(write("line 1\n", 2, "\n", 3.5, "\n")))
print(writeto() == _STDOUT, _OUTPUT == _STDOUT)
h = readfrom(name)
print(h == _INPUT)
print(read(), read("*l"), read("*n"), read(), read())
print(readfrom() == _STDIN, _INPUT == _STDIN)
print(tag(h))
print(E(read, h))

fill("\n\nabc")
print(show(R("*l", "*l", "*l")), show(R()))
fill("x")
print(show(R("x", "y", "x")))
fill("x")
print(show(R("y", "x")), show(R("*a")), show(R("*a")))
fill("line1\nrest")
print(show(R("line%d?x")), show(R("*l")), show(R("*l")))
fill("abc")
print(show(R("%d*", "{a}", "b?", "[xyz]*", "%a+")))
fill("  hello   world \n")
print(show(R("*w", "*w", "*w")))
fill(" 12.5 abc 0x1A 7")
print(R("*n").n, read("*n"), read("*w"), read("*n"), read("*n"), read("*n"))
fill("key=value;")
print(show(R("{%s*}%w+{=}", "[^;]*")))
fill("data")
print(show(R("*x")), show(R("*a")))
readfrom()

-- appendto and openfile
appendto(name)
write("more")
writeto()
f = openfile(name, "r")
print(read(f, "*a"))
print(seek(f, "end"), seek(f, "set"), seek(f), seek(f, "set", 2), read(f, "*l"), seek(f, "cur"))
print(A(seek, f, "set", -1))
print(A(write, f, "x"))
print(closefile(f))
print(tag(f), tag(f) == tag(_STDIN))
print(E(read, f))
print(E(write, f, "x"))
print(E(closefile, f))
f = openfile(name, "w+")
write(f, "abc", 1)
print(seek(f, "set"), read(f, "*a"))
closefile(f)
print(A(openfile, "/nonexistent/dir/file", "r"))
print(A(readfrom, "/nonexistent/dir/file"))
print(A(writeto, "/nonexistent/dir/file"))
print(E(openfile, name))
print(E(closefile, 1))
print(E(seek, _STDIN, "bad"))
print(E(read, {}))
print(E(write, nil))
print(E(write, {}))
print(A(rename, name, name .. ".2"), A(remove, name))
print(A(remove, name .. ".2"), A(remove, name .. ".2"))
readfrom("|echo from a pipe")
print(read())
readfrom()
print(type(flush()), type(flush(_STDOUT)))
