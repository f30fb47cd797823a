#!/usr/bin/env bash
# Measures how long the workbench takes from its launch until its main window
# is shown, with fresh settings, on a virtual X display. Each run starts the
# program with QUORVEL_START_PROBE=1, which makes it print the wall-clock time
# at which the main window was first painted and end there; the script
# subtracts the time of the launch. Prints every run and the median.
#
#   bash scripts/measure-start.sh [PROGRAM] [RUNS]
#       PROGRAM  default build/workbench/quorvel
#       RUNS     default 11
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/workbench/quorvel}
runs=${2:-11}
[ -x "$program" ] || { echo "measure-start: no program at $program" >&2; exit 1; }

work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

times=()
for run in $(seq "$runs"); do
  # Fresh settings and home for every run: nothing from an earlier start.
  home="$work/home$run"
  mkdir -p "$home"
  start=$(date +%s.%N)
  shown=$(env -i PATH="$PATH" DISPLAY="$display" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$work" LANG=C.UTF-8 QUORVEL_START_PROBE=1 \
    "$program" | sed -n 's/^main window shown at //p')
  [ -n "$shown" ] || { echo "measure-start: run $run did not report its main window" >&2; exit 1; }
  elapsed=$(echo "$shown - $start" | bc -l)
  printf 'run %2d: %.3f s\n' "$run" "$elapsed"
  times+=("$elapsed")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}')
printf 'median of %d runs: %.3f s\n' "$runs" "$median"
