print("not run")
