#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# socket:// printers through Winsock under Wine:
#   socket-test.sh SESSION EXE [GTEST_FILTER]
# Builds the virtual AppSocket printer for this machine (the cross build
# cannot), starts one in each mode the tests need on loopback, runs EXE's
# SocketWin32 tests (or the tests GTEST_FILTER names) inside the Wine
# session SESSION, and stops the printers on every path.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fixtures="$here/../fixtures"
session=$1
exe=$2
filter=${3:-SocketWin32.*}

work=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-winsock.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
g++ -std=c++20 -O1 -o "$work/appsocket-printer" "$fixtures/AppSocketPrinter.cpp" "$fixtures/PjlPrinter.cpp"

# Starts a printer in mode $1 and sets $address to its address. It runs in
# this shell, not in a command substitution, so that its pid reaches the
# cleanup.
start() {
    mkdir -p "$work/$1"
    "$work/appsocket-printer" --port-file "$work/$1/port" --out "$work/$1" --mode "$1" </dev/null >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$work/$1/port" ] && break; sleep 0.1; done
    [ -s "$work/$1/port" ] || { echo "socket-test: the $1 printer did not start" >&2; exit 1; }
    address="socket://127.0.0.1:$(cat "$work/$1/port")"
}
start gs; gs_printer=$address
start capture; capture=$address
start error; error=$address

QUELLMARK_TEST_SOCKET_GS="$gs_printer" \
QUELLMARK_TEST_SOCKET_CAPTURE="$capture" \
QUELLMARK_TEST_SOCKET_JOBS="Z:${work//\//\\}\\capture" \
QUELLMARK_TEST_SOCKET_ERROR="$error" \
QUELLMARK_TEST_SOCKET_REFUSED="socket://127.0.0.1:1" \
    "$fixtures/wine/wine-session" run "$session" "$exe" --gtest_filter="$filter"
