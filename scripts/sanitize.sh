#!/usr/bin/env bash
# Builds and runs the tests under ASan+UBSan and under TSan, each in its own tree.
# Usage: scripts/sanitize.sh [asan|tsan]...   (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
kinds=("$@")
[ ${#kinds[@]} -eq 0 ] && kinds=(asan tsan)
for kind in "${kinds[@]}"; do
  case "$kind" in
    asan) option=-DKV_ASAN=ON ;;
    tsan) option=-DKV_TSAN=ON ;;
    *) echo "unknown sanitizer $kind" >&2; exit 2 ;;
  esac
  cmake -S . -B "build-$kind" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_BENCH=OFF "$option" "${launcher[@]}"
  cmake --build "build-$kind"
  # Allocation-heavy transfers are slow under the sanitizers: allow more time.
  # The heavy-line soaks take minutes and their counts are the plain run's: the
  # sanitizer runs keep only the light-line ones.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 TSAN_OPTIONS="second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
    ctest --test-dir "build-$kind" --output-on-failure --timeout 600 -E 'LossyLineSoak\..*Heavy'
done
