#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# A fleet scan beside what administrators run today, in the same run, on the
# same simulated fleet (tests/fixtures/fleet/fleet-rig: COUNT printers on
# 127.2.0.0/16, SNMP from real agents and IPP, 10 % switched off, 10 % slow
# by 1 to 3 s):
#   quellmark   quellmark query --ndjson over every printer's address: SNMP
#               and IPP, then PJL and PostScript where a printer says it
#               speaks them (each printer's record written as it finishes);
#   xargs       xargs -P 50 over snmpbulkwalk of each printer's Printer MIB
#               and Host Resources MIB (the tables quellmark reads), with
#               the tools' own timeouts.
# Prints the wall time and peak memory of each and how many printers
# answered.
#
#   bench/fleet/fleet-bench.sh [BUILD_DIR] [COUNT] [JOBS]
#
# Needs root (ports 161 and 631), snmpsim and snmp (snmpbulkwalk).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
count=${2:-1000}
jobs=${3:-}
export FLEET_PEERS="$build/tests/fixtures/fleet-peers"
export QUELLMARK="$build/app/cli/quellmark" JOBS="$jobs"
for tool in "$QUELLMARK" "$FLEET_PEERS" snmpsimd snmpbulkwalk /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "fleet-bench: $tool is missing" >&2; exit 1; }
done

"$root/tests/fixtures/fleet/fleet-rig" "$count" bash -c '
    set -euo pipefail
    out=$(mktemp -d)
    trap "rm -rf $out" EXIT
    n=$(wc -l < "$FLEET_PRINTERS")
    # shellcheck disable=SC2046
    /usr/bin/time -f "%e %M" -o "$out/quellmark.time" \
        "$QUELLMARK" query --ndjson ${JOBS:+--jobs "$JOBS"} $(cat "$FLEET_PRINTERS") > "$out/quellmark.ndjson" 2>/dev/null || true
    /usr/bin/time -f "%e %M" -o "$out/xargs.time" \
        xargs -P 50 -n 1 sh -c "snmpbulkwalk -v2c -c public -On \"\$0\" 1.3.6.1.2.1.43 > \"$out/walk-\$0\" 2>/dev/null; \
                                snmpbulkwalk -v2c -c public -On \"\$0\" 1.3.6.1.2.1.25 >> \"$out/walk-\$0\" 2>/dev/null; true" \
        < "$FLEET_PRINTERS"
    answered_q=$(grep -c "\"make_and_model\": \"" "$out/quellmark.ndjson" || true)
    snmp_q=$(grep -c "\"page_count\": \"snmp\"" "$out/quellmark.ndjson" || true)
    answered_x=$(find "$out" -name "walk-*" -size +0 | wc -l)
    read -r qt qm < <(tail -1 "$out/quellmark.time")
    read -r xt xm < <(tail -1 "$out/xargs.time")
    printf "%d printers (%d switched off, %d slow by 1 to 3 s) on loopback\n" "$n" $((n / 10)) $(((n + 5) / 10))
    printf "%-34s %8s %10s %9s %9s\n" "" "time" "peak RSS" "answered" "by SNMP"
    printf "%-34s %7.1fs %7d KiB %9d %9d\n" "quellmark query (SNMP and IPP)" "$qt" "$qm" "$answered_q" "$snmp_q"
    printf "%-34s %7.1fs %7d KiB %9d %9d\n" "xargs -P 50 snmpbulkwalk (SNMP)" "$xt" "$xm" "$answered_x" "$answered_x"
    awk -v q="$qt" -v x="$xt" "BEGIN { printf \"quellmark takes %.0f %% of the anchor'"'"'s time\\n\", 100 * q / x }"
'
