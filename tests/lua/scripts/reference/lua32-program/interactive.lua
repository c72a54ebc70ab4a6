-- Interactive mode: a prompt per line, locals do not survive, a backslash
-- continues the line, errors do not end the session.
print("after the session", z, y)
