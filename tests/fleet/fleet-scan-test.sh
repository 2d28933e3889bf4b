#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# An address range scanned against the simulated fleet (run by
# tests/fixtures/fleet/fleet-rig with 30 printers): every printer that
# answers is written with its own record, the slow ones included; the
# switched-off addresses are one count line, not one error each.
#
#   fleet-scan-test.sh QUELLMARK
set -uo pipefail
quellmark=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$quellmark" query --ndjson 127.2.0.0/27 > "$out/scan.ndjson" 2> "$out/scan.err"
status=$?
python3 - "$out/scan.ndjson" "$out/scan.err" "$status" <<'PY' || exit 1
import json, sys
lines = open(sys.argv[1]).read().splitlines()
err = open(sys.argv[2]).read()
problems = []
if sys.argv[3] != "0":
    problems.append("exit status %s, not 0" % sys.argv[3])
if err != "quellmark: 27 of 30 addresses answered; 3 did not\n":
    problems.append("error stream: %r" % err)
seen = set()
for line in lines:
    record = json.loads(line)
    printer = record["printer"]
    index = int(printer.rsplit(".", 1)[1]) - 1
    seen.add(index)
    if record["status"] != "completed" or record["serial_number"] != "FLEET-%04d" % index:
        problems.append("%s: %s, serial %s: %s" % (printer, record["status"], record.get("serial_number"), record["message"]))
    if record["sources"].get("page_count") != "snmp" or record["page_count"] != 10000 + index * 17:
        problems.append("%s: page count %s from %s" % (printer, record["page_count"], record["sources"].get("page_count")))
wanted = {i for i in range(30) if i % 10 != 9}
if seen != wanted:
    problems.append("printers written: %s; missing %s, unexpected %s" % (len(seen), sorted(wanted - seen), sorted(seen - wanted)))
for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
PY

# A range wider than a scan takes is bad usage, and nothing is asked.
"$quellmark" query 10.0.0.0/8 > "$out/wide.out" 2>&1
wide=$?
grep -q 'is not an address range quellmark scans: from /16' "$out/wide.out" && [ "$wide" -eq 2 ] ||
    { echo "a /8 range: exit $wide: $(cat "$out/wide.out")"; exit 1; }
