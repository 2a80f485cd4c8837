#!/usr/bin/env bash
# The bash completion of kvctl: commands, options, values and the port list,
# with kvctl from the build on PATH. Usage: kvctl_completion_test.sh SCRIPT
set -u
source "$1"
failures=0

# complete WORD... : the completions offered for the last word of the line.
complete_line()
{
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kvctl
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

expect()
{
    local want=$1
    shift
    local got
    got=$(complete_line "$@")
    if [[ $got != "$want" ]]; then
        echo "FAIL: kvctl ${*}: got '$got', want '$want'"
        failures=$((failures + 1))
    fi
}

expect "ls " kvctl l
expect "df " kvctl --json d
expect "ports put " kvctl --port SIM1 p
expect "--baud " kvctl --b
expect "en pl " kvctl --lang ""
expect "115200 " kvctl --baud 11
expect "SIM1 " kvctl ls PDT --port SI
expect "--count " kvctl receive inbox --c
expect "--convert " kvctl put a b --con
expect "C: D: PDT " kvctl ls ""
expect "C: D: " kvctl df --json ""
expect "--save-ini " kvctl convert x --sa
exit $((failures > 0))
