#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The window's Print action on queues of a local print server, this build
# beside another build of the program (one from before the PostScript
# check), the two taking turns in one run so a busy machine slows both
# alike. Each build gets print-action-turns (PrintActionTurns.cpp) linked
# against its own libraries.
#
#   bench/print/postscript-check-bench.sh OTHER_BUILD_DIR [BUILD_DIR] [ROUNDS] [RUNS]
#
# Defaults: build/, 7 rounds of 15 presses per queue and build; the medians
# count. Queues, all capturing and disabled (the server keeps the jobs and
# runs no backend): a PostScript PPD whose device id says PostScript (the
# check's one request), the same PPD without a device id (the check reads
# the PPD), and a raw queue (the check reads both, then finds a device it
# cannot ask).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
other=$(cd "${1:?the other build directory}" && pwd)
build=$(cd "${2:-$root/build}" && pwd)
rounds=${3:-7}
runs=${4:-15}

work=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-pscheck-bench.XXXXXX")
sandbox=$work/server
chmod 0711 "$work"  # the scheduler and its backends run as lp
trap '"$root/tests/fixtures/cupsd-sandbox" stop "$sandbox" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

# print-action-turns for a build, from that build's own source tree.
for side in build other; do
    dir=$build
    [ "$side" = other ] && dir=$other
    src=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$dir/CMakeCache.txt")
    [ -f "$dir/app/core/libAppCore.a" ] || { echo "no $dir/app/core/libAppCore.a: build first" >&2; exit 1; }
    g++ -std=c++20 -O2 -I"$src/app/core" -I"$src/Libs/SysUtils" -I"$src/bench" "$here/PrintActionTurns.cpp" \
        -o "$work/turns-$side" -Wl,--start-group "$dir/app/core/libAppCore.a" \
        "$dir/Libs/PrinterUtils/libPrinterUtils.a" "$dir/Libs/OsUtils/libOsUtils.a" \
        "$dir/Libs/SysUtils/libSysUtils.a" "$dir/resources/libResources.a" -Wl,--end-group \
        -lcups $(pkg-config --libs netsnmp) -lpthread
done

"$root/tests/fixtures/cupsd-sandbox" start "$sandbox" --owner $$ >/dev/null
set -a; source "$sandbox/env"; set +a
unset LPDEST PRINTER
export TMPDIR=$work
lpadmin -p postscript -E -v capture:/ -m drv:///sample.drv/generic.ppd 2>/dev/null
# The server writes the queue's PPD a moment after lpadmin returns.
ppd=$sandbox/etc/ppd/postscript.ppd
for _ in $(seq 100); do [ -s "$ppd" ] && break; sleep 0.05; done
grep -v '^\*1284DeviceID' "$ppd" > "$work/no-device-id.ppd"
lpadmin -p postscript-ppd -E -v capture:/ -P "$work/no-device-id.ppd" 2>/dev/null
lpadmin -p raw -E -v capture:/ -m raw 2>/dev/null
queues=(postscript postscript-ppd raw)
for q in "${queues[@]}"; do cupsdisable "$q"; done

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
declare -A samples
for round in $(seq "$rounds"); do
    for side in build other; do
        for q in "${queues[@]}"; do
            samples[$side.$q]+="$("$work/turns-$side" "$q" "$runs" | tr '\n' ' ')"
            cancel -a -x 2>/dev/null || true
        done
    done
done
printf '%-14s %12s %12s %10s  (median of %d presses)\n' queue "this build" "other build" added $((rounds * runs))
for q in "${queues[@]}"; do
    b=$(tr ' ' '\n' <<<"${samples[build.$q]}" | grep . | median)
    o=$(tr ' ' '\n' <<<"${samples[other.$q]}" | grep . | median)
    printf '%-14s %9.2f ms %9.2f ms %7.2f ms\n' "$q" "$b" "$o" "$(echo "$b - $o" | bc -l)"
done
