-- With piped input and no arguments, lua32 runs standard input.
print("not run")
