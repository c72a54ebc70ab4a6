-- Without debug information the listing has no line numbers.
print("before")
error("x")
print("after")
