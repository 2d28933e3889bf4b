#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# One program beside another build of itself, in the same run: quellmark
# list and quellmark print --all over many queues of one private print
# server, the two builds taking turns, so a busy machine slows both alike.
#
#   bench/cli/builds-bench.sh OTHER_BUILD_DIR [BUILD_DIR] [QUEUES] [ROUNDS]
#
# Defaults: build/, 200 queues, 7 rounds; the medians count. The queues
# are disabled, so the server keeps every job and runs no backend.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
other=$(cd "${1:?the other build directory}" && pwd)
build=$(cd "${2:-$root/build}" && pwd)
queues=${3:-200}
rounds=${4:-7}
for b in "$build" "$other"; do
    [ -x "$b/app/cli/quellmark" ] || { echo "no $b/app/cli/quellmark: build first" >&2; exit 1; }
done

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-builds-bench.XXXXXX")
trap '"$root/tests/fixtures/cupsd-sandbox" stop "$sandbox" >/dev/null 2>&1 || true' EXIT
"$root/tests/fixtures/cupsd-sandbox" start "$sandbox" --owner $$ >/dev/null
set -a; source "$sandbox/env"; set +a
unset LPDEST PRINTER
cupsctl DirtyCleanInterval=30
for i in $(seq -w 1 "$queues"); do
    lpadmin -p "q$i" -E -v capture:/ -m raw 2>/dev/null
    cupsdisable "q$i"
done
lpadmin -d q001

now() { date +%s%N; }
# Milliseconds one command takes.
time_ms() {
    local t0 t1
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    echo $(((t1 - t0) / 1000000))
}
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

declare -A samples
for round in $(seq "$rounds"); do
    for side in build other; do
        dir=$build
        [ "$side" = other ] && dir=$other
        samples[$side.list]+="$(time_ms "$dir/app/cli/quellmark" list --json) "
        cancel -a -x 2>/dev/null || true
        samples[$side.print]+="$(time_ms "$dir/app/cli/quellmark" print --all) "
    done
done
cancel -a -x 2>/dev/null || true
for what in list print; do
    b=$(tr ' ' '\n' <<<"${samples[build.$what]}" | grep . | median)
    o=$(tr ' ' '\n' <<<"${samples[other.$what]}" | grep . | median)
    printf '%d queues, quellmark %-6s this build %5d ms, other build %5d ms, ratio %.2f (median of %d)\n' \
        "$queues" "$what" "$b" "$o" "$(echo "$b / $o" | bc -l)" "$rounds"
done
