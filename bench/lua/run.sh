#!/bin/sh
# Times the benchmark scripts with our lua32 and with Debian's lua5.1,
# alternating the two programs, and prints the best time of each and the
# ratio (ours / lua5.1; below 1 means we are faster).
#   bench/lua/run.sh [path/to/lua32] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
ours=${1:-$here/../../build/lua/lua32}
rounds=${2:-5}
peer=${LUA51:-/usr/bin/lua5.1}
[ -x "$ours" ] || { echo "no lua32 at $ours (build it first)" >&2; exit 1; }
[ -x "$peer" ] || { echo "no lua5.1 at $peer" >&2; exit 1; }

now() { date +%s%N; }

printf '%-12s %10s %10s %8s\n' script "lua32 ms" "lua5.1 ms" ratio
for script in "$here"/scripts/*.lua; do
  name=$(basename "$script" .lua)
  # Both must agree on the result before their times mean anything.
  a=$("$ours" "$script")
  b=$("$peer" "$script")
  if [ "$a" != "$b" ]; then
    echo "$name: outputs differ: lua32 '$a', lua5.1 '$b'" >&2
  fi
  best_ours=0
  best_peer=0
  i=0
  while [ $i -lt "$rounds" ]; do
    t0=$(now); "$ours" "$script" > /dev/null; t1=$(now)
    "$peer" "$script" > /dev/null; t2=$(now)
    d1=$(( (t1 - t0) / 1000000 ))
    d2=$(( (t2 - t1) / 1000000 ))
    if [ $best_ours -eq 0 ] || [ $d1 -lt $best_ours ]; then best_ours=$d1; fi
    if [ $best_peer -eq 0 ] || [ $d2 -lt $best_peer ]; then best_peer=$d2; fi
    i=$((i + 1))
  done
  ratio=$(awk -v a="$best_ours" -v b="$best_peer" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
  printf '%-12s %10d %10d %8s\n' "$name" "$best_ours" "$best_peer" "$ratio"
done
