#!/usr/bin/env bash
# Builds the engine (link/ without its serial back-end, convert/, sim/ without
# the pseudo-terminal side) and its GoogleTest suites for 64-bit Windows with
# Debian's MinGW-w64 cross compiler, and runs the tests under Wine. The last
# line counts the tests that ran. KV_WINDOWS_BUILD names the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KV_WINDOWS_BUILD:-build-windows}

packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# GoogleTest from the sources Debian ships: the installed one is built for Linux.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DKV_GTEST_SOURCE=/usr/src/googletest "${launcher[@]}" >/dev/null
cmake --build "$build"

# Console programs need no display. The prefix lives in the build folder; no
# Mono or Gecko is offered while it is made.
export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true' EXIT
[[ -d $WINEPREFIX ]] || wineboot --init >/dev/null 2>&1

log="$build/wine-tests.log"
status=0
ctest --test-dir "$build" -j2 --timeout 600 -V >"$log" 2>&1 || status=$?
grep -E '^ *[0-9]+/[0-9]+ Test +#' "$log" || true
if ((status != 0)); then
    grep -E '\[  FAILED  \]|Failure$|^[0-9]+: .*:[0-9]+: Failure' "$log" | sort -u || true
    grep -E 'tests passed|tests failed' "$log" || true
    echo "Tests under Wine failed; the whole output is in $log" >&2
    exit 1
fi
grep -E 'tests passed' "$log"
passed=$(grep -oE '\[  PASSED  \] [0-9]+' "$log" | awk '{s += $NF} END {print s + 0}')
programs=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#' "$log")
echo "Windows build under Wine: $passed tests passed in $programs test programs"
