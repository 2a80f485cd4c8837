# kvsim_rack.sh: what the kvctl benchmarks against kvsim terminals share. Sourced
# after the arguments are known: sets build, count, size, kvctl, kvsim and a work
# folder removed at the end with every program started into pids.
# Arguments of the sourcing script: [BUILD_DIR] [N] [SIZE] (defaults: build 8 262144)
build=$(realpath "${1:-build}")
count=${2:-8}
size=${3:-262144}
kvctl=$build/bin/kvctl
kvsim=$build/bin/kvsim
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# kvctl and kvsim must not touch the user's own settings, terminals or log.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
seconds() { date +%s.%N; }
# Starts kvsim terminals FIRST..LAST, each on the pseudo-terminal $work/ttyI with its
# disks in $work/tI, serial number TI, at an emulated 115200 baud, with the options
# given after; returns once every one is up. Sets rack_ports (their pseudo-
# terminals, comma-joined) and rack_pids.
start_rack() {
  local first=$1 last=$2 i
  shift 2
  rack_ports=
  rack_pids=()
  for i in $(seq "$first" "$last"); do
    "$kvsim" --root "$work/t$i" --pty "$work/tty$i" --serial "T$i" --line-rate 115200 "$@" \
      >/dev/null 2>"$work/kvsim$i.err" &
    pids+=($!)
    rack_pids+=($!)
    rack_ports=${rack_ports:+$rack_ports,}$work/tty$i
  done
  for i in $(seq "$first" "$last"); do
    for _ in $(seq 1 500); do [ -e "$work/tty$i" ] && break; sleep 0.01; done
    [ -e "$work/tty$i" ] || { echo "kvsim $i did not start: $(cat "$work/kvsim$i.err")" >&2; exit 1; }
  done
}
