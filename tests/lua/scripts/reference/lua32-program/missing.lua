-- Not run: the file named before it cannot be opened.
print("not reached")
