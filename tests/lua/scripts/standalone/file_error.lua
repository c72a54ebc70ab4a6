print("ran")
error("stop")
