#!/usr/bin/env bash
# Checks that every file includes only headers of its own layer and below, as
# docs/architecture.md draws them, and that the plain C++ layers have no Qt.
# Prints each include that reaches up or sideways; exit 1 when there is one.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
# Lower number, lower layer; folders of one number may not include each other.
declare -A layer=([link]=0 [convert]=1 [sim]=1 [link/serial]=2 [gui]=3 [connection]=4 [pc]=5
                  [terminal]=6 [shell]=7 [cli]=7)
# The folder a path belongs to: link/serial is a layer of its own.
folder_of() { [[ $1 == link/serial/* ]] && echo link/serial || echo "${1%%/*}"; }
status=0
while IFS=: read -r file _ target; do
    from=$(folder_of "$file")
    to=$(folder_of "$target")
    [[ -n ${layer[$from]+set} && -n ${layer[$to]+set} && $from != "$to" ]] || continue
    # kvctl stands on the engine and never on a window.
    if (( layer[$to] >= layer[$from] )) ||
        [[ $from == cli && $to =~ ^(gui|connection|pc|shell)$ ]]; then
        echo "$file includes $target"
        status=1
    fi
done < <(grep -rHn --include='*.cpp' --include='*.h' -o '^#include "[a-z_]*/[^"]*"' \
             "${!layer[@]}" | sed 's/#include "\(.*\)"/\1/' | sort -u)
if grep -rln --include='*.cpp' --include='*.h' '^#include <Q' link convert sim |
    grep -v '^link/serial/'; then
    echo "the files above include Qt in plain C++"
    status=1
fi
exit $status
