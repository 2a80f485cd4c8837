#!/usr/bin/env bash
# Installs what the project needs, builds it and starts the desktop program
# kvvidiridoved. With no terminal attached, pick SIM1 (the built-in simulated
# terminal, first in the connect dialog) and press OK.
#
#   bash scripts/run.sh [program options]   e.g. --lang pl, or a start mode
#   bash scripts/run.sh --headless          no window system: a kvctl tour of SIM1
#
# Without a display (no DISPLAY or WAYLAND_DISPLAY) the program runs under
# xvfb-run: it connects to SIM1, saves a picture of its main window to
# build/main-window.png and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

if [ "${1:-}" = "--headless" ]; then
  echo "== kvctl ports"; build/bin/kvctl ports
  echo "== kvctl ls PDT"; build/bin/kvctl ls PDT
  echo "== kvctl ls 'C:\\DATA'"; build/bin/kvctl ls 'C:\DATA'
  echo "(more: build/bin/kvctl --help)"
  exit 0
fi

program=build/bin/kvvidiridoved
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" "$@"
fi
picture="$PWD/build/main-window.png"
echo "No display: running kvvidiridoved under Xvfb on SIM1."
xvfb-run -a -s "-screen 0 1024x768x24" "$program" --screenshot "$picture" "$@"
echo "Saved a picture of the main window: $picture"
echo "(on a desktop, bash scripts/run.sh opens the window itself)"
