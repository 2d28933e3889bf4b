#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# quellmark.exe, the Windows console program, under Wine against a private
# print server:
#   cli-test.sh SESSION EXE STATUS_DOCUMENT
# Checks --version, list (Wine's spooler reports no LOCAL or NETWORK bit for
# its printers, so the window, and list, show none), and print: one printer
# gets the full page byte for byte under the window's job name, an unknown
# one fails with the spooler's words, and the exit status says so; check and
# report say what this build cannot do.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fixtures="$here/../fixtures"
session=$1
exe=$2
document=$3

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-wincli.XXXXXX")
trap '"$fixtures/cupsd-sandbox" stop "$sandbox" >/dev/null 2>&1 || true' EXIT
"$fixtures/cupsd-sandbox" start "$sandbox" --owner $$ >/dev/null
in_sandbox() { (set -a; source "$sandbox/env"; set +a; unset LPDEST PRINTER; "$@"); }
jobs=$(in_sandbox sh -c 'echo "$CUPSD_JOBS"')
server=$(in_sandbox sh -c 'echo "$CUPS_SERVER"')
in_sandbox lpadmin -p Alpha -E -v capture:/ -m raw -o raw 2>/dev/null

run() { QUELLMARK_CUPS_SERVER="$server" "$fixtures/wine/wine-session" run "$session" "$exe" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
expect() {  # want-status want-output args...
    local want=$1 text=$2 out rc=0
    shift 2
    out=$(run "$@" | tr -d '\r') || rc=$?
    [ "$rc" = "$want" ] || fail "quellmark $* exited $rc, not $want: $out"
    [[ "$out" == *"$text"* ]] || fail "quellmark $* said: $out (wanted: $text)"
    echo "ok: quellmark $* -> $rc"
}

expect 0 "quellmark 1.0.0" --version
expect 0 "[]" list --json
expect 2 "--jobs wants a whole number" print --jobs x Alpha
expect 1 "Nope: failed: Error opening printer: Error code 1801:" print Alpha Nope
# The job reaches the server when Wine's spooler hands it over.
for _ in $(seq 100); do [ -n "$(ls "$jobs"/*.data 2>/dev/null)" ] && break; sleep 0.1; done
data=$(ls "$jobs"/*.data 2>/dev/null | head -1)
[ -n "$data" ] || fail "no job reached the server"
cmp -s "$data" "$document" || fail "the job's bytes differ from the full page"
[ "$(cat "${data%.data}.title")" = "Corvane Status Page" ] || fail "job title $(cat "${data%.data}.title")"
expect 0 "\"printer\": \"Alpha\", \"status\": \"sent\"" print --json --minimal Alpha
# The fleet commands: a check the program has no protocol for is UNKNOWN, not
# a dead printer; the history needs SQLite, which this build has not.
expect 3 "PRINTER UNKNOWN - 127.0.0.1 cannot be asked here: snmp, ipp not available" check 127.0.0.1
expect 1 "this build keeps no history" report
echo "quellmark.exe: all checks passed"
