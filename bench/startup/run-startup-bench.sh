#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Runs the start-up benchmarks under a private Xvfb: the window with many
# queues beside a bare Qt window, then the start-up error box with a print
# server that never answers beside lpstat -d.
#   bench/startup/run-startup-bench.sh BUILD_DIR [RUNS] [QUEUES]
set -eu
build=$(cd "${1:?build directory}" && pwd)
runs=${2:-21}
queues=${3:-500}
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -f "$fdfile"' EXIT
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$fdfile")"
"$build/bench/startup/startup_bench" "$build/app/qt/QuellmarkExec" "$build/bench/startup/bench_bare_window" "$runs" "$queues"
"$build/bench/startup/startup_bench" --hung "$build/app/qt/QuellmarkExec" 3
