#!/usr/bin/env bash
# Times the benchmark scripts with our lua32 and with Debian's lua5.4, lua5.1
# and LuaJIT's interpreter (luajit -joff, the compiler off), whole process,
# the programs alternating round by round. For each script it prints, by wall
# time and by CPU time (user + system), the median of each program with its
# fastest and slowest round, and the speed ratios of the medians and of the
# fastest rounds (a peer's time / ours; above 1 means lua32 is faster). Where
# Lua 3.2's dialect differs (upvalues), the peers run scripts/peer/NAME.lua,
# the same work with the same output. The load average before and after says
# how busy the machine was; pin it to one core on a shared machine
# (taskset -c N bench/lua/run.sh).
#   bench/lua/run.sh [path/to/lua32] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
ours=${1:-$here/../../build/lua/lua32}
rounds=${2:-7}
[ -x "$ours" ] || { echo "no lua32 at $ours (build it first)" >&2; exit 1; }

# Peers that are installed: a name for the table, then the command.
names=(lua32)
cmds=("$ours")
addpeer() {
  local name=$1 exe=$2
  shift 2
  [ -x "$exe" ] || return 0
  names+=("$name")
  cmds+=("$exe $*")
}
addpeer lua5.4 "${LUA54:-/usr/bin/lua5.4}"
addpeer lua5.1 "${LUA51:-/usr/bin/lua5.1}"
addpeer jit-joff "${LUAJIT:-/usr/bin/luajit}" -joff
[ "${#names[@]}" -gt 1 ] || { echo "no peer installed (lua5.4, lua5.1, luajit)" >&2; exit 1; }

load() { cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo "?"; }

# Wall and CPU time of one run, in microseconds: "wall cpu".
TIMEFORMAT='%3R %3U %3S'
timed() {
  local t
  t=$( { time "$@" > /dev/null; } 2>&1)
  # shellcheck disable=SC2086
  set -- $t
  awk -v r="$1" -v u="$2" -v s="$3" 'BEGIN { printf "%d %d\n", r * 1e6, (u + s) * 1e6 }'
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

echo "load before: $(load) on $(getconf _NPROCESSORS_ONLN) cores; $rounds rounds, medians [fastest-slowest] in ms"
header=$(printf '%-11s %-5s' script time)
for name in "${names[@]}"; do header+=$(printf ' %-22s' "$name"); done
for name in "${names[@]:1}"; do header+=$(printf ' %14s' "x$name"); done
echo "$header"
for script in "$here"/scripts/*.lua; do
  name=$(basename "$script" .lua)
  peerscript=$script
  [ -f "$here/scripts/peer/$name.lua" ] && peerscript=$here/scripts/peer/$name.lua
  # All must agree on the result before their times mean anything.
  a=$("$ours" "$script")
  for ((p = 1; p < ${#cmds[@]}; p++)); do
    b=$(${cmds[p]} "$peerscript")
    [ "$a" = "$b" ] || echo "$name: outputs differ: lua32 '$a', ${names[p]} '$b'" >&2
  done
  walls=()
  cpus=()
  for ((r = 0; r < rounds; r++)); do
    for ((p = 0; p < ${#cmds[@]}; p++)); do
      s=$script
      [ "$p" -eq 0 ] || s=$peerscript
      set -- $(timed ${cmds[p]} "$s")
      walls[p]="${walls[p]:-} $1"
      cpus[p]="${cpus[p]:-} $2"
    done
  done
  for kind in wall cpu; do
    line=$(printf '%-11s %-5s' "$name" "$kind")
    meds=()
    bests=()
    for ((p = 0; p < ${#cmds[@]}; p++)); do
      if [ "$kind" = wall ]; then st=$(stats "${walls[p]}"); else st=$(stats "${cpus[p]}"); fi
      line+=$(printf ' %-22s' "$(span "$st")")
      set -- $st
      meds[p]=$1
      bests[p]=$2
    done
    for ((p = 1; p < ${#cmds[@]}; p++)); do
      line+=$(printf ' %14s' "$(ratio "${meds[0]}" "${meds[p]}") ($(ratio "${bests[0]}" "${bests[p]}"))")
    done
    echo "$line"
  done
done
echo "load after: $(load)"
