-- _PROMPT set from the command line changes the prompt.
print("done")
