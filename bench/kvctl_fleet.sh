#!/usr/bin/env bash
# kvctl put to several terminals at once: N kvsim on pseudo-terminals, each at an
# emulated 115200 baud, one kvctl command with --port listing them all. Prints
# one line's rate alone, then the aggregate rate of N lines and its share of
# N times the single line's.
# Usage: bench/kvctl_fleet.sh [BUILD_DIR] [N] [SIZE]   (defaults: build 8 262144)
set -euo pipefail
source "$(dirname "$0")/kvsim_rack.sh"

start_rack 1 "$count" --capacity D:=100000000
ports=$rack_ports
head -c "$size" /dev/urandom >"$work/src.bin"

s=$(seconds)
"$kvctl" --port "$work/tty1" put "$work/src.bin" 'D:\LOOKUP\ALONE.BIN' --overwrite
e=$(seconds)
single=$(awk -v b="$size" -v s="$s" -v e="$e" 'BEGIN { printf "%.1f", b / (e - s) }')
echo "one line:   $size bytes in $(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.2f", e - s }') s = $single bytes/s"

s=$(seconds)
"$kvctl" --port "$ports" put "$work/src.bin" 'D:\LOOKUP\FLEET.BIN' --overwrite >"$work/table.txt"
e=$(seconds)
for i in $(seq 1 "$count"); do
  cmp -s "$work/src.bin" "$work/t$i/D/LOOKUP/FLEET.BIN" || { echo "terminal $i got other bytes" >&2; exit 1; }
done
awk -v n="$count" -v b="$size" -v s="$s" -v e="$e" -v one="$single" 'BEGIN {
  t = e - s; total = n * b / t
  printf "%d lines:    %d bytes in %.2f s = %.1f bytes/s = %.1f %% of %d x one line\n", n, n * b, t, total, 100 * total / (n * one), n }'
