#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# quellmark query over SNMP and IPP beside the tools administrators use for
# the same answers (snmpbulkwalk of the Printer and Host Resources MIBs,
# ipptool's Get-Printer-Attributes), on loopback, in the same run: a real
# SNMP agent (snmpsimd) serving a colour multifunction printer's walk and an
# IPP printer of the test fixtures. Then quellmark's peak memory over 100
# and 1,000 records: it should not grow with the number of printers.
#
#   bench/status/status-bench.sh [BUILD_DIR] [RUNS]
#
# Needs snmpsim, snmp (snmpbulkwalk) and cups-ipp-utils (ipptool); runs
# snmpsimd as nobody.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-21}
quellmark="$build/app/cli/quellmark"
peer="$build/tests/fixtures/misbehaving-peer"
for tool in "$quellmark" "$peer" snmpsimd snmpbulkwalk ipptool; do
    command -v "$tool" >/dev/null || { echo "status-bench: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-status-bench.XXXXXX")
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null; rm -rf "$work"' EXIT
cp "$root/tests/fixtures/snmp/colour-mfp.snmprec" "$work/"
chmod 755 "$work"; chmod 644 "$work"/*.snmprec
snmp_port=$((20000 + RANDOM % 20000))
setpriv --reuid=nobody --regid=nogroup --clear-groups \
    snmpsimd --data-dir="$work" --agent-udpv4-endpoint="127.0.0.1:$snmp_port" >/dev/null 2>&1 &
pids+=($!)
"$peer" --mode ipp-1.1-only --port-file "$work/ipp.port" >/dev/null 2>&1 &
pids+=($!)
snmp="snmp://colour-mfp@127.0.0.1:$snmp_port"
for _ in $(seq 100); do
    [ -s "$work/ipp.port" ] && "$quellmark" query "$snmp" >/dev/null 2>&1 && break
    sleep 0.1
done
ipp="ipp://127.0.0.1:$(cat "$work/ipp.port")/ipp/print"
cat >"$work/attrs.test" <<'TEST'
{
    NAME "Get-Printer-Attributes"
    OPERATION Get-Printer-Attributes
    GROUP operation-attributes-tag
    ATTR charset attributes-charset utf-8
    ATTR naturalLanguage attributes-natural-language en
    ATTR uri printer-uri $uri
    ATTR keyword requested-attributes printer-make-and-model,printer-device-id,printer-state,printer-state-reasons,marker-names,marker-levels,marker-types,marker-colors,printer-input-tray,document-format-supported
    STATUS successful-ok
}
TEST

ms() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s%N); echo $(((t1 - t0) / 1000000)); }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
q_snmp=() w_snmp=() q_ipp=() t_ipp=() q_both=()
for _ in $(seq "$runs"); do
    q_snmp+=("$(ms "$quellmark" query "$snmp")")
    w_snmp+=("$(ms sh -c "snmpbulkwalk -v2c -c colour-mfp -On 127.0.0.1:$snmp_port 1.3.6.1.2.1.43 && snmpbulkwalk -v2c -c colour-mfp -On 127.0.0.1:$snmp_port 1.3.6.1.2.1.25")")
    q_ipp+=("$(ms "$quellmark" query "$ipp")")
    t_ipp+=("$(ms ipptool -V 1.1 -T 5 "$ipp" "$work/attrs.test")")
    q_both+=("$(ms "$quellmark" query --protocols snmp,ipp "$snmp")")
done
m() { printf '%s\n' "$@" | median; }
printf 'SNMP record: quellmark query %d ms, snmpbulkwalk of both MIBs %d ms (medians of %d)\n' \
    "$(m "${q_snmp[@]}")" "$(m "${w_snmp[@]}")" "$runs"
printf 'IPP record:  quellmark query %d ms, ipptool get-printer-attributes %d ms\n' "$(m "${q_ipp[@]}")" "$(m "${t_ipp[@]}")"
printf 'SNMP and IPP side by side for one printer: quellmark query %d ms\n' "$(m "${q_both[@]}")"

for n in 100 1000; do
    args=()
    for _ in $(seq "$n"); do args+=("$snmp"); done
    rss=$( { /usr/bin/time -f '%M' "$quellmark" query --json --jobs 16 "${args[@]}" >/dev/null; } 2>&1 | tail -1)
    printf 'quellmark query --json, %4d records: max RSS %s KiB\n' "$n" "$rss"
done
