-- -v prints the version line first.
print("script")
