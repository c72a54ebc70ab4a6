-- exit(code) ends the program with that status.
print("exiting")
exit(3)
print("not reached")
