#!/bin/sh
# Only platform/ talks to the operating system and the media libraries: no
# SDL, POSIX, FFmpeg or GL header may be included above it. Tests, benchmarks
# and fuzz targets may, for peers and fixtures. Exit status 1 lists offenders.
cd "$(dirname "$0")/.." || exit 2

LAYERS="engine graphics lua tools world game"
# Headers by the path they are included with.
FORBIDDEN='SDL[^"/>]*\.h|SDL2/|unistd\.h|pthread\.h|sys/|dirent\.h|fcntl\.h|dlfcn\.h|poll\.h|termios\.h|semaphore\.h|sched\.h|spawn\.h|libgen\.h|glob\.h|fnmatch\.h|strings\.h|syslog\.h|netinet/|arpa/|netdb\.h|libav[a-z]*/|libsw[a-z]*/|GL/|GLES[0-9]*/|EGL/|KHR/|glad/|X11/|wayland-'

dirs=""
for d in $LAYERS; do
    [ -d "$d" ] && dirs="$dirs $d"
done
[ -n "$dirs" ] || exit 0

found=$(grep -rnE --include='*.c' --include='*.cpp' --include='*.h' --include='*.hpp' \
    "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($FORBIDDEN)" $dirs)
if [ -n "$found" ]; then
    echo "Only platform/ may include SDL, POSIX, FFmpeg or GL headers:"
    echo "$found"
    exit 1
fi
echo "layering: ok"
