#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# quellmark query over many virtual AppSocket printers at once: the run
# should take about as long as the slowest printer, not the sum of them.
#
#   bench/cli/fleet-query-bench.sh [BUILD_DIR] [PRINTERS]
#
# Two fleets of PRINTERS (default 50) printers on loopback:
#  - "own time": each answers what Ghostscript answers to the query, after
#    a delay of its own (0.2 s to 1.2 s, spread evenly), the way printers
#    that each have their own processor do. Beside: the slowest printer
#    alone, and the whole fleet one printer at a time (--jobs 1).
#  - "Ghostscript": each runs the query in Ghostscript on this machine, so
#    all of them share its processors; beside: one printer alone and the
#    fleet one at a time.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
count=${2:-50}
quellmark="$build/app/cli/quellmark"
printer="$build/tests/fixtures/appsocket-printer"
query="$build/resources/documents/query.ps"
for f in "$quellmark" "$printer"; do [ -x "$f" ] || { echo "no $f: build first" >&2; exit 1; }; done

work=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-query-bench.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

gs -q -dSAFER -dBATCH -dNOPAUSE -sPAPERSIZE=letter -sDEVICE=nullpage "$query" > "$work/answer"

# start_fleet MODE -> the addresses in $work/MODE.addresses
start_fleet() {
    local mode=$1 i delay
    : > "$work/$mode.addresses"
    for i in $(seq 0 $((count - 1))); do
        delay=$((200 + 1000 * i / (count > 1 ? count - 1 : 1)))
        mkdir -p "$work/$mode-$i"
        "$printer" --port-file "$work/$mode-$i/port" --out "$work/$mode-$i" --mode "$mode" \
            --answer "$work/answer" --delay-ms "$delay" &
        pids+=($!)
    done
    for i in $(seq 0 $((count - 1))); do
        while [ ! -s "$work/$mode-$i/port" ]; do sleep 0.02; done
        echo "socket://127.0.0.1:$(cat "$work/$mode-$i/port")" >> "$work/$mode.addresses"
    done
}

# seconds ARGS... : wall time of one quellmark query run, which must succeed
seconds() {
    local t0 t1
    t0=$(date +%s.%N)
    "$quellmark" query --json "$@" > "$work/out.json" || { echo "query failed: $(head -c 400 "$work/out.json")" >&2; exit 1; }
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
}

report() {  # name alone parallel sequential
    printf '%-13s %d printers: all at once %.2f s; %s alone %.2f s; one at a time %.2f s; at once / alone %.2f, at once / one at a time %.3f\n' \
        "$1" "$count" "$3" "$5" "$2" "$4" "$(echo "$3 / $2" | bc -l)" "$(echo "$3 / $4" | bc -l)"
}

start_fleet replay
mapfile -t fleet < "$work/replay.addresses"
slowest=$(seconds "${fleet[$((count - 1))]}")
parallel=$(seconds --jobs "$count" "${fleet[@]}")
sequential=$(seconds --jobs 1 "${fleet[@]}")
report "own time:" "$slowest" "$parallel" "$sequential" "the slowest"

start_fleet gs
mapfile -t fleet < "$work/gs.addresses"
one=$(seconds "${fleet[0]}")
parallel=$(seconds --jobs "$count" "${fleet[@]}")
sequential=$(seconds --jobs 1 "${fleet[@]}")
report "Ghostscript:" "$one" "$parallel" "$sequential" "one"
cores=$(nproc)
bycores=$(seconds --jobs "$cores" "${fleet[@]}")
printf 'Ghostscript:  --jobs %d (this machine'"'"'s processors) %.2f s, at once / one at a time %.3f\n' \
    "$cores" "$bycores" "$(echo "$bycores / $sequential" | bc -l)"
echo "(Ghostscript printers share this machine's $cores processors: together they can be no faster than one at a time divided by $cores.)"
