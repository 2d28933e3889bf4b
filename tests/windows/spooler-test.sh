#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# PrinterUtils on Wine's spooler against a private print server:
#   spooler-test.sh SESSION EXE
# Starts the server (tests/fixtures/cupsd-sandbox) with three queues, two of
# them capturing their jobs, runs EXE's Spooler and SpoolerPostScript tests
# inside the Wine session SESSION with Wine's spooler pointed at that
# server, then removes every queue and runs the no-printer tests. The
# server goes on every path.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fixtures="$here/../fixtures"
session=$1
exe=$2

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-winspool.XXXXXX")
trap '"$fixtures/cupsd-sandbox" stop "$sandbox" >/dev/null 2>&1 || true' EXIT
"$fixtures/cupsd-sandbox" start "$sandbox" --owner $$ >/dev/null

in_sandbox() {
    (set -a; source "$sandbox/env"; set +a; unset LPDEST PRINTER; "$@")
}
jobs=$(in_sandbox sh -c 'echo "$CUPSD_JOBS"')
server=$(in_sandbox sh -c 'echo "$CUPS_SERVER"')

# -m raw queues: no PPD, so the server passes the job on as it arrives.
in_sandbox lpadmin -p Alpha -E -v capture:/ -m raw
in_sandbox lpadmin -p Bravo -E -v capture:/ -m raw
in_sandbox lpadmin -p Charlie -E -v capture:/ -m raw -o printer-is-shared=true
in_sandbox lpadmin -d Bravo

run() {
    QUELLMARK_CUPS_SERVER="$server" \
    QUELLMARK_TEST_QUEUES=Alpha,Bravo,Charlie \
    QUELLMARK_TEST_DEFAULT=Bravo \
    QUELLMARK_TEST_CAPTURE=Alpha \
    QUELLMARK_TEST_JOBS="Z:${jobs//\//\\}" \
        "$fixtures/wine/wine-session" run "$session" "$exe" "$@"
}

status=0
run --gtest_filter='Spooler.*:SpoolerPostScript.*' || status=1

for q in Alpha Bravo Charlie; do in_sandbox lpadmin -x "$q"; done
run --gtest_filter='SpoolerWithoutPrinters.*' || status=1
exit "$status"
