#!/usr/bin/env bash
# Docking to done with kvctl watch: N kvsim on pseudo-terminals at an emulated
# 115200 baud, out of their cradles, each holding one SIZE-byte file in C:\DATA;
# one kvctl watch collecting C:\DATA. All N are docked at once and timed until the
# last says it is done; then one terminal alone. Prints both and their ratio.
# Usage: bench/kvctl_watch.sh [BUILD_DIR] [N] [SIZE]   (defaults: build 8 262144)
set -euo pipefail
source "$(dirname "$0")/kvsim_rack.sh"

# Runs one round: n terminals (names from first), docked at once; the seconds
# go to $work/seconds.
round() {
  local first=$1 n=$2
  for i in $(seq "$first" $((first + n - 1))); do
    mkdir -p "$work/t$i/C/DATA"
    head -c "$size" /dev/urandom >"$work/t$i/C/DATA/COUNT.DAT"
  done
  start_rack "$first" $((first + n - 1)) --undocked
  local ports=$rack_ports terminals=("${rack_pids[@]}")
  printf '[Watch]\nPoll=1\n[Collect]\nFrom=C:\\DATA\nTo=%s\n' "$work/out" >"$work/p$first.ini"
  "$kvctl" --port "$ports" watch --profile "$work/p$first.ini" >"$work/watch$first.out" 2>&1 &
  local watch=$!
  pids+=($watch)
  sleep 1.5
  local s e
  s=$(seconds)
  for pid in "${terminals[@]}"; do kill -USR2 "$pid"; done
  until [ "$(grep -c ' done: ' "$work/watch$first.out" || true)" -ge "$n" ]; do sleep 0.05; done
  e=$(seconds)
  kill "$watch"
  for i in $(seq "$first" $((first + n - 1))); do
    cmp -s "$work/t$i/C/DATA/COUNT.DAT" "$work/out/T$i/COUNT.DAT" ||
      { echo "terminal $i: its file did not arrive whole" >&2; exit 1; }
  done
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.2f", e - s }' >"$work/seconds"
}

round 100 1
one=$(cat "$work/seconds")
echo "one terminal:  docked to done in $one s"
round 1 "$count"
all=$(cat "$work/seconds")
awk -v n="$count" -v all="$all" -v one="$one" 'BEGIN {
  printf "%d terminals:  docked to done in %.2f s = %.1f %% of one terminal'"'"'s time\n", n, all, 100 * all / one }'
