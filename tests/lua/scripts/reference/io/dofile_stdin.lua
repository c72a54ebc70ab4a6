-- dofile() without a name runs standard input as a chunk.
print(dofile())
print(read("*a"))
