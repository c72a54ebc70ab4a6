-- The io library's handler lists the active stack (no line numbers without -d).
print("before")
error("x")
print("not reached")
