-- name=value arguments set string globals before the file runs.
print(type(a), a, strlen(x), type(n), n + 1)
