#!/bin/sh
# Only platform/ talks to the operating system and the media libraries: no
# SDL, POSIX, FFmpeg or GL header may be included above it. Tests, benchmarks
# and fuzz targets may, for peers and fixtures. Inside engine/ the folders
# keep an order of their own (ENGINE_ORDER, lowest first): a folder includes
# only from itself and the folders below it. Exit status 1 lists offenders.
cd "$(dirname "$0")/.." || exit 2

LAYERS="engine graphics lua tools world game"
# Headers by the path they are included with.
FORBIDDEN='SDL[^"/>]*\.h|SDL2/|unistd\.h|pthread\.h|sys/|dirent\.h|fcntl\.h|dlfcn\.h|poll\.h|termios\.h|semaphore\.h|sched\.h|spawn\.h|libgen\.h|glob\.h|fnmatch\.h|strings\.h|syslog\.h|netinet/|arpa/|netdb\.h|libav[a-z]*/|libsw[a-z]*/|GL/|GLES[0-9]*/|EGL/|KHR/|glad/|X11/|wayland-|pwd\.h|grp\.h|regex\.h|mqueue\.h|linux/|ftw\.h|iconv\.h|aio\.h|wordexp\.h|langinfo\.h|utime\.h'
# The engine's folders, lowest first, as they are included ("media/sound/...").
ENGINE_ORDER="foundation media/resources media/devices media/sound media/animation drawing ui"

status=0

dirs=""
for d in $LAYERS; do
    [ -d "$d" ] && dirs="$dirs $d"
done

if [ -n "$dirs" ]; then
    found=$(grep -rnE --include='*.c' --include='*.cpp' --include='*.h' --include='*.hpp' \
        "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($FORBIDDEN)" $dirs)
    if [ -n "$found" ]; then
        echo "Only platform/ may include SDL, POSIX, FFmpeg or GL headers:"
        echo "$found"
        status=1
    fi
fi

# Each engine source names its folder by its path, each engine include by the
# path it is included with; the longest folder of the order that starts
# either gives its rank. A source outside every folder of the order is
# refused too, so a new folder is placed in the order before it is used.
if [ -d engine ]; then
    found=$(find engine -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) |
        sort | xargs grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' /dev/null |
        awk -v order="$ENGINE_ORDER" '
        function rank(path,    i, best, len) {
            best = 0; len = 0
            for (i = 1; i <= n; i++)
                if (index(path, folder[i] "/") == 1 && length(folder[i]) > len) {
                    best = i; len = length(folder[i])
                }
            return best
        }
        BEGIN { n = split(order, folder, " ") }
        {
            # file:line:#include "path"
            file = $0; sub(/:.*/, "", file)
            rest = substr($0, length(file) + 2)
            line = rest; sub(/:.*/, "", line)
            target = rest; sub(/^[^<"]*[<"]/, "", target); sub(/[>"].*$/, "", target)
            own = rank(substr(file, length("engine/") + 1))
            if (!own) {
                if (!(file in outside)) {
                    outside[file] = 1
                    print file ": not in a folder of the engine order (" order ")"
                }
                next
            }
            to = rank(target)
            if (to > own)
                print file ":" line ": " folder[own] "/ may not include " target \
                    " (" folder[to] "/ sits above it)"
        }')
    if [ -n "$found" ]; then
        echo "Engine folders include only from themselves and below; lowest first: $ENGINE_ORDER"
        echo "$found"
        status=1
    fi
fi

[ $status -eq 0 ] && echo "layering: ok"
exit $status
