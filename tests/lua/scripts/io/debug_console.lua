-- debug() reads lines from standard input and runs them until "cont".
x = 1
debug()
print("after", x)
