#!/usr/bin/env bash
# Measures how long the workbench takes from its launch until its main window
# is shown, with fresh settings, on a virtual X display. Each run starts the
# program with QUORVEL_START_PROBE=1, which makes it print the wall-clock time
# at which the main window was first painted and end there; the script
# subtracts the time of the launch. It also takes the processor time the
# program used (user + system), which a busy machine disturbs less.
#
#   bash scripts/measure-start.sh [-n RUNS] [PROGRAM...]
#       RUNS     runs of each program, default 11
#       PROGRAM  default build/workbench/quorvel; several programs (say, a
#                build before and after a change) are run in turn, run by run,
#                so that they share the machine's ups and downs
# Prints the median of each program.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=11
if [ "${1:-}" = -n ]; then runs=$2; shift 2; fi
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(build/workbench/quorvel)
for program in "${programs[@]}"; do
  [ -x "$program" ] || { echo "measure-start: no program at $program" >&2; exit 1; }
done

work=$(mktemp -d)
# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=:$(head -1 "$work/display")
xdpyinfo -display "$display" >/dev/null 2>&1 || { echo "measure-start: Xvfb did not start" >&2; exit 1; }

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

TIMEFORMAT='%3U %3S'
for run in $(seq "$runs"); do
  for i in "${!programs[@]}"; do
    # Fresh settings and home for every run: nothing from an earlier start.
    home="$work/home-$run-$i"
    mkdir -p "$home"
    start=$(date +%s.%N)
    { time env -i PATH="$PATH" DISPLAY="$display" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$work" LANG=C.UTF-8 QUORVEL_START_PROBE=1 \
        "${programs[$i]}" >"$work/out" 2>/dev/null; } 2>"$work/cpu"
    shown=$(sed -n 's/^main window shown at //p' "$work/out")
    [ -n "$shown" ] || { echo "measure-start: ${programs[$i]} did not report its main window" >&2; exit 1; }
    echo "$shown - $start" | bc -l >>"$work/wall-$i"
    awk '{print $1 + $2}' "$work/cpu" >>"$work/cpu-$i"
  done
done
for i in "${!programs[@]}"; do
  printf '%s: median of %d runs: %.3f s to the main window, %.3f s of processor time\n' "${programs[$i]}" "$runs" \
    "$(median <"$work/wall-$i")" "$(median <"$work/cpu-$i")"
done
