-- runs with global assignments made on the command line
print(a, format("%q", empty))
