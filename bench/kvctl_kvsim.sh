#!/usr/bin/env bash
# kvctl against kvsim on a pseudo-terminal (the real serial back-end):
#  - put and get of 1 MiB unthrottled, and at an emulated 115200 baud
#    (efficiency = bytes per second / 11520);
#  - peak memory (maximum resident set) of kvctl for a 16 MiB put and get.
# Usage: bench/kvctl_kvsim.sh [BUILD_DIR]   (default: build; needs /usr/bin/time)
set -euo pipefail
build=$(realpath "${1:-build}")
kvctl=$build/bin/kvctl
kvsim=$build/bin/kvsim
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data

start_kvsim() {
  rm -rf "$work/terminal"
  "$kvsim" --root "$work/terminal" --pty "$work/tty" --capacity C:=100000000 "$@" 2>"$work/kvsim.err" &
  pid=$!
  for _ in $(seq 1 500); do [ -e "$work/tty" ] && return 0; sleep 0.01; done
  echo "kvsim did not start: $(cat "$work/kvsim.err")" >&2
  exit 1
}
stop_kvsim() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=; }

seconds() { date +%s.%N; }
# rate NAME BYTES START END [LINE_RATE]
report() {
  awk -v name="$1" -v bytes="$2" -v s="$3" -v e="$4" -v rate="${5:-0}" 'BEGIN {
    t = e - s; bps = bytes / t
    if (rate > 0) printf "%-28s %8.2f s  %12.0f bytes/s  %5.1f %% of %d bytes/s\n", name, t, bps, 100 * bps / (rate / 10), rate / 10
    else printf "%-28s %8.3f s  %12.2f MB/s\n", name, t, bps / 1e6 }'
}

transfer() { # NAME SIZE [kvsim options]
  local name=$1 size=$2; shift 2
  head -c "$size" /dev/urandom >"$work/src.bin"
  start_kvsim "$@"
  local rate=0
  [ "${1:-}" = --line-rate ] && rate=$2
  local s e
  s=$(seconds); "$kvctl" --port "$work/tty" put "$work/src.bin" 'C:\DATA\BENCH.BIN' --overwrite; e=$(seconds)
  report "put $name" "$size" "$s" "$e" "$rate"
  s=$(seconds); "$kvctl" --port "$work/tty" get 'C:\DATA\BENCH.BIN' "$work/back.bin"; e=$(seconds)
  report "get $name" "$size" "$s" "$e" "$rate"
  cmp -s "$work/src.bin" "$work/back.bin" || { echo "get returned other bytes" >&2; exit 1; }
  stop_kvsim
}

memory() { # SIZE
  local size=$1
  head -c "$size" /dev/urandom >"$work/src.bin"
  start_kvsim
  /usr/bin/time -f "%M" -o "$work/put.kb" "$kvctl" --port "$work/tty" put "$work/src.bin" 'C:\DATA\BIG.BIN' --overwrite
  /usr/bin/time -f "%M" -o "$work/get.kb" "$kvctl" --port "$work/tty" get 'C:\DATA\BIG.BIN' "$work/back.bin"
  cmp -s "$work/src.bin" "$work/back.bin" || { echo "get returned other bytes" >&2; exit 1; }
  stop_kvsim
  /usr/bin/time -f "%M" -o "$work/idle.kb" "$kvctl" --port SIM1 ls PDT >/dev/null
  printf "peak RSS, 16 MiB put: %d KiB, get: %d KiB (kvctl ls alone: %d KiB; file: %d KiB)\n" \
    "$(tail -1 "$work/put.kb")" "$(tail -1 "$work/get.kb")" "$(tail -1 "$work/idle.kb")" $((size / 1024))
}

transfer "1 MiB, unthrottled" $((1 << 20))
transfer "1 MiB, 115200 baud" $((1 << 20)) --line-rate 115200
memory $((16 << 20))
