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
