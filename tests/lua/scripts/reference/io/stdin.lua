-- Reading standard input, and the debug() console that reads it too.
print(read("*l"))
debug()
print("after debug", dbgval)
print(read("*n") + 1)
print(read("*a"))
