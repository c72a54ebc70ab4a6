-- A failing file ends the program with status 1; later arguments never run.
error("stop")
