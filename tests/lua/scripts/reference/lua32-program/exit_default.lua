-- exit() without a code gives status 1.
exit()
