#!/bin/sh
# The layering check (scripts/check_layering.py): every include, resolved to
# the file it reaches, runs downwards through the project's layers, and only
# platform/ and the test programs include operating-system or library
# headers. Exit status 1 lists offenders.
here=$(dirname "$0")
# The system's interpreter starts fastest; any python3 will do.
for python in /usr/bin/python3 python3; do
    command -v "$python" >/dev/null 2>&1 && exec "$python" "$here/check_layering.py" "$@"
done
echo "layering: python3 is missing (scripts/install-deps.sh installs it)" >&2
exit 2
