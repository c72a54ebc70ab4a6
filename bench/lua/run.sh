#!/bin/sh
# Times the benchmark scripts with our lua32 and with Debian's lua5.4 and
# lua5.1, whole process, the three programs alternating round by round, and
# prints the best wall time of each and the speed ratios (a peer's time /
# ours; above 1 means lua32 is faster). Where Lua 3.2's dialect differs
# (upvalues), the peers run scripts/peer/NAME.lua, the same work with the
# same output. The load average before and after says how busy the machine
# was.
#   bench/lua/run.sh [path/to/lua32] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
ours=${1:-$here/../../build/lua/lua32}
rounds=${2:-7}
lua54=${LUA54:-/usr/bin/lua5.4}
lua51=${LUA51:-/usr/bin/lua5.1}
[ -x "$ours" ] || { echo "no lua32 at $ours (build it first)" >&2; exit 1; }
[ -x "$lua54" ] || [ -x "$lua51" ] || { echo "no lua5.4 or lua5.1 peer" >&2; exit 1; }

now() { date +%s%N; }
load() { cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo "?"; }

# Wall time of one run in microseconds.
timed() {
  t0=$(now)
  "$@" > /dev/null
  t1=$(now)
  echo $(( (t1 - t0) / 1000 ))
}

ms() { awk -v t="$1" 'BEGIN { if (t > 0) printf "%.1f", t / 1000; else print "-" }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", b / a; else print "-" }'; }
lower() { if [ "$2" -eq 0 ] || [ "$1" -lt "$2" ]; then echo "$1"; else echo "$2"; fi; }

echo "load before: $(load) on $(nproc) cores; best of $rounds"
printf '%-12s %10s %10s %10s %8s %8s\n' script "lua32 ms" "lua5.4 ms" "lua5.1 ms" "x5.4" "x5.1"
for script in "$here"/scripts/*.lua; do
  name=$(basename "$script" .lua)
  peerscript=$script
  [ -f "$here/scripts/peer/$name.lua" ] && peerscript=$here/scripts/peer/$name.lua
  # All must agree on the result before their times mean anything.
  a=$("$ours" "$script")
  for peer in "$lua54" "$lua51"; do
    [ -x "$peer" ] || continue
    b=$("$peer" "$peerscript")
    if [ "$a" != "$b" ]; then
      echo "$name: outputs differ: lua32 '$a', $(basename "$peer") '$b'" >&2
    fi
  done
  best_ours=0
  best_54=0
  best_51=0
  i=0
  while [ "$i" -lt "$rounds" ]; do
    best_ours=$(lower "$(timed "$ours" "$script")" "$best_ours")
    if [ -x "$lua54" ]; then best_54=$(lower "$(timed "$lua54" "$peerscript")" "$best_54"); fi
    if [ -x "$lua51" ]; then best_51=$(lower "$(timed "$lua51" "$peerscript")" "$best_51"); fi
    i=$((i + 1))
  done
  printf '%-12s %10s %10s %10s %8s %8s\n' "$name" "$(ms "$best_ours")" "$(ms "$best_54")" \
    "$(ms "$best_51")" "$(ratio "$best_ours" "$best_54")" "$(ratio "$best_ours" "$best_51")"
done
echo "load after: $(load)"
