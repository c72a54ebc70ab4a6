-- read without a handle takes the standard input.
print(read("*l"))
print(read("*n") + read("*n"))
print(read("*w"), read("*a"))
