-- A syntax error: nothing runs, and no function is active to list.
print("never")
x = = 1
