-- An unknown option prints the usage text and ends with status 1.
print("not reached")
