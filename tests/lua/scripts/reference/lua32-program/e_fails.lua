-- Not run: the -e chunk before it fails.
print("not reached")
