#!/usr/bin/env bash
# kvctl collect from several terminals at once: N kvsim on pseudo-terminals, each
# at an emulated 115200 baud with one SIZE-byte file in C:\DATA, collected by one
# kvctl command; then one terminal alone. Prints both times and the fleet's time
# against the single terminal's (the aim: within 3 %).
# Usage: bench/kvctl_collect.sh [BUILD_DIR] [N] [SIZE]   (defaults: build 8 262144)
set -euo pipefail
source "$(dirname "$0")/kvsim_rack.sh"

for i in $(seq 1 "$count"); do
  mkdir -p "$work/t$i/C/DATA"
  head -c "$size" /dev/urandom >"$work/t$i/C/DATA/COUNT.DAT"
done
start_rack 1 "$count"
ports=$rack_ports

s=$(seconds)
"$kvctl" --port "$work/tty1" collect 'C:\DATA' "$work/alone" >/dev/null
e=$(seconds)
one=$(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.2f", e - s }')
echo "one terminal:  $size bytes in $one s"

s=$(seconds)
"$kvctl" --port "$ports" collect 'C:\DATA' "$work/fleet" >"$work/table.txt"
e=$(seconds)
for i in $(seq 1 "$count"); do
  cmp -s "$work/t$i/C/DATA/COUNT.DAT" "$work/fleet/T$i/COUNT.DAT" ||
    { echo "terminal $i: its file did not arrive whole" >&2; exit 1; }
done
awk -v n="$count" -v b="$size" -v s="$s" -v e="$e" -v one="$one" 'BEGIN {
  t = e - s
  printf "%d terminals:  %d bytes in %.2f s = %.1f %% of one terminal'"'"'s time\n", n, n * b, t, 100 * t / one }'
