#!/usr/bin/env bash
# Installs what the project needs, builds it and starts the best program it has.
# Until the desktop program exists that is kvctl on the built-in simulated
# terminal SIM1: it lists the terminal's disks and the files of C:\DATA.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
if [ -x build/cli/kvctl ] && build/cli/kvctl ports >/dev/null 2>&1; then
  echo "== kvctl ports"; build/cli/kvctl ports
  echo "== kvctl ls PDT"; build/cli/kvctl ls PDT
  echo "== kvctl ls 'C:\\DATA'"; build/cli/kvctl ls 'C:\DATA'
  echo "(more: build/cli/kvctl --help)"
else
  echo "Built. The command-line tool is not complete yet; run the tests with scripts/test.sh."
fi
