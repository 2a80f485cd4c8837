#!/usr/bin/env bash
# Times `kvctl convert` against the equivalent awk one-liner on a generated file of
# 1,000,000 four-field records (50,000,000 bytes), checks that both outputs are
# identical and reports the best wall time of each and kvctl's peak memory.
#   bench/convert_vs_awk.sh [path/to/kvctl] [runs]
# The runs alternate between the two programs. Each run writes a new output file, as a transfer does (the job deletes its
# converted copy after sending it); earlier outputs are removed and flushed to
# disk between runs, outside the timing.
set -euo pipefail

kvctl=${1:-build/bin/kvctl}
runs=${2:-10}
records=1000000
[ -x "$kvctl" ] || { echo "kvctl not found: $kvctl" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time missing (Debian package: time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 48 bytes of fields and CR LF: 50 bytes a record.
awk -v n="$records" 'BEGIN {
    for (i = 0; i < n; i++)
        printf "%010d,%-20s,%08d,%07d\r\n", i, "item" (i * 7919) % 100003, (i * 31) % 100000000, i % 9999991
}' > "$work/source.txt"
printf '[Convert Setting]\r\nOriSeparator=2c\r\nOriFieldCount=0\r\nConvSeparator=3b\r\nConvertField=4\r\nOriFixedName=0\r\nOriFixedFileName=\r\nOriFieldLen=\r\nConvFieldLen=0,0,0,0,\r\n' > "$work/Convert.ini"
size=$(stat -c %s "$work/source.txt")

run_kvctl() { "$kvctl" convert "$work/source.txt" --ini "$work/Convert.ini" > /dev/null; }
run_awk() { awk -F, -v OFS=';' '{print $1,$2,$3,$4}' "$work/source.txt" > "$work/awk.txt"; }

# Prints the wall time of one run in microseconds; output removed beforehand.
time_once() {
    rm -f "$work/VidiRidoved.tmp" "$work/awk.txt"
    sync
    local start=${EPOCHREALTIME/./}
    "$1"
    echo $(( ${EPOCHREALTIME/./} - start ))
}

cat "$work/source.txt" > /dev/null # into the page cache
# Alternating runs, so that both programs meet the same machine load.
kv_us= awk_us=
for ((r = 0; r < runs; r++)); do
    t=$(time_once run_kvctl)
    if [ -z "$kv_us" ] || (( t < kv_us )); then kv_us=$t; fi
    t=$(time_once run_awk)
    if [ -z "$awk_us" ] || (( t < awk_us )); then awk_us=$t; fi
done

rm -f "$work/VidiRidoved.tmp"
kv_kib=$(/usr/bin/time -f '%M' "$kvctl" convert "$work/source.txt" --ini "$work/Convert.ini" 2>&1 >/dev/null | tail -1)
awk_kib=$(/usr/bin/time -f '%M' sh -c "awk -F, -v OFS=';' '{print \$1,\$2,\$3,\$4}' '$work/source.txt' > '$work/awk.txt'" 2>&1 | tail -1)
if ! cmp -s "$work/VidiRidoved.tmp" "$work/awk.txt"; then
    echo "outputs differ" >&2
    exit 1
fi

awk_name=$(basename "$(readlink -f "$(command -v awk)")")
echo "source: $records records, $size bytes; outputs identical"
awk -v k="$kv_us" -v a="$awk_us" -v km="$kv_kib" -v am="$awk_kib" -v s="$size" -v n="$runs" -v name="$awk_name" 'BEGIN {
    printf "kvctl convert: best %.1f ms of %d, peak %d KiB (%.2f of the file size)\n", k / 1000, n, km, km * 1024 / s
    printf "awk (%s):      best %.1f ms of %d, peak %d KiB\n", name, a / 1000, n, am
    printf "speed-up: %.1fx\n", a / k
}'
