-- Without randomseed the C library's default sequence is used.
print(random())
