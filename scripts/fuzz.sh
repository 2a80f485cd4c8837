#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan and UBSan) in build-fuzz and
# runs each one briefly from its committed seed corpus.
# Usage: scripts/fuzz.sh [seconds per target, default 30] [target...]
# A crash or hang leaves its input in build-fuzz/artifacts/<target>/ and fails
# the run; repeat it with build-fuzz/fuzz/<target>_fuzz <input>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true

bash scripts/bootstrap.sh clang libclang-rt-14-dev

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKV_FUZZ=ON -DKV_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz --target all_fuzz

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(link_receive terminal_info listing convert_ini batch_file
                                     transmission_list sim_request)
failed=0
for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t
  artifacts=build-fuzz/artifacts/$t/
  mkdir -p "$work" "$artifacts"
  log=build-fuzz/$t.log
  # The committed seeds stay as they are; what the run finds goes to work.
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     "build-fuzz/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -max_len=4096 -print_final_stats=1 -artifact_prefix="$artifacts" \
       "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $t: ${runs:-?} executions in ${seconds} s, no failure"
  else
    echo "fuzz $t: FAILED (see $log and $artifacts)" >&2
    tail -30 "$log" >&2
    failed=1
  fi
done
exit $failed
