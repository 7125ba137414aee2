#!/usr/bin/env bash
# Measures the desktop program as a player runs it, through its self-test program (the shipped entry with the
# self-test attached, hosting on a free loopback port), under a virtual X server of its own:
#   start-up   from before exec to the lobby on screen (goal: under 300 ms)
#   idle CPU   while hosting with one player (its own) connected and nothing happening, over 10 s
#              (goal: under 10 ms)
#   memory     resident set size while hosting (goal: under 60 MB)
# Usage: bench/qt/measure_program.sh build/tests/pyrandel-self-test
set -euo pipefail

program=$(realpath "$1")
work=$(mktemp -d)
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
sleep 1
cd "$work"
# The program's settings go to the run's own folder, never to the real home.
export XDG_CONFIG_HOME="$work/config"

# Start-up: the first run warms the file cache; the next three are measured.
for run in 1 2 3 4; do
  before=$(date +%s%3N)
  DISPLAY=$display "$program" host-and-quit 2>"$work/stderr"
  shown=$(sed -n 's/.*at \([0-9]*\) ms since the epoch.*/\1/p' "$work/stderr")
  [ "$run" -gt 1 ] && echo "start-up to lobby shown: $((shown - before)) ms"
done

# Idle while hosting with the own player connected.
DISPLAY=$display "$program" host 2>"$work/stderr" &
program_pid=$!
for _ in $(seq 100); do
  grep -q 'self-test: joined' "$work/stderr" && break
  sleep 0.1
done
grep -q 'self-test: joined' "$work/stderr" || { echo "the own player never joined" >&2; exit 1; }
sleep 1
# CPU time of every thread of the process, in nanoseconds (the scheduler's own count, finer than clock ticks).
cpu_ns() { cat /proc/"$program_pid"/task/*/schedstat | awk '{sum += $1} END {printf "%d", sum}'; }
start=$(cpu_ns)
sleep 10
end=$(cpu_ns)
echo "idle CPU over 10 s of hosting: $(((end - start) / 1000)) us"
echo "resident memory while hosting: $(awk '/VmRSS/ {printf "%.1f MB", $2 / 1024}' "/proc/$program_pid/status")"
echo "threads while hosting: $(ls "/proc/$program_pid/task" | wc -l)"
