#!/bin/sh
# Times the benchmark scripts with our lua32 and with Debian's lua5.4 and
# lua5.1, whole process, the three programs alternating round by round, and
# prints the median wall time of each with its fastest and slowest round, and
# the speed ratios of the medians and of the fastest rounds (a peer's time /
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
# Median, fastest and slowest of a list of microsecond times: "med min max".
stats() {
  [ -n "$1" ] || { echo "0 0 0"; return; }
  printf '%s\n' $1 | sort -n | awk '{ t[NR] = $1 } END {
    m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
    printf "%d %d %d\n", m, t[1], t[NR] }'
}
# "med [min-max]" in milliseconds.
span() { set -- $1; echo "$(ms "$1") [$(ms "$2")-$(ms "$3")]"; }

echo "load before: $(load) on $(nproc) cores; $rounds rounds, medians [fastest-slowest] in ms"
printf '%-11s %-22s %-22s %-22s %12s %12s\n' script lua32 lua5.4 lua5.1 "x5.4 (best)" "x5.1 (best)"
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
  t_ours=""
  t_54=""
  t_51=""
  i=0
  while [ "$i" -lt "$rounds" ]; do
    t_ours="$t_ours $(timed "$ours" "$script")"
    if [ -x "$lua54" ]; then t_54="$t_54 $(timed "$lua54" "$peerscript")"; fi
    if [ -x "$lua51" ]; then t_51="$t_51 $(timed "$lua51" "$peerscript")"; fi
    i=$((i + 1))
  done
  s_ours=$(stats "$t_ours")
  s_54=$(stats "$t_54")
  s_51=$(stats "$t_51")
  set -- $s_ours
  m_ours=$1 b_ours=$2
  set -- $s_54
  m_54=$1 b_54=$2
  set -- $s_51
  m_51=$1 b_51=$2
  printf '%-11s %-22s %-22s %-22s %12s %12s\n' "$name" "$(span "$s_ours")" "$(span "$s_54")" \
    "$(span "$s_51")" "$(ratio "$m_ours" "$m_54") ($(ratio "$b_ours" "$b_54"))" \
    "$(ratio "$m_ours" "$m_51") ($(ratio "$b_ours" "$b_51"))"
done
echo "load after: $(load)"
