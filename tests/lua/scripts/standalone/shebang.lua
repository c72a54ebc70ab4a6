#!/usr/local/bin/lua
print("shebang line skipped")
