#!/usr/local/bin/lua32
-- The first line starting with # is skipped but still counted.
print(getstack(1).current)
