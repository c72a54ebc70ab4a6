-- Errors in a chunk from standard input are reported; the status stays 0.
print("file ran")
