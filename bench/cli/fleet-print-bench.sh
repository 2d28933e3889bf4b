#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# quellmark print over many queues of one private print server, beside a
# shell loop of `lp -o raw` over the same queues in the same run.
#
#   bench/cli/fleet-print-bench.sh [BUILD_DIR] [QUEUES] [ROUNDS]
#
# Defaults: build/, 200 queues, 3 rounds (the best round of each counts).
# The queues are disabled, so the server keeps every job and runs no
# backend: both sides measure the same thing, handing the server a job.
# quellmark serves 8 printers at a time (its default).
# Then quellmark's peak memory (max RSS) for a quarter, half and all of the
# queues: it should not grow with the number of printers.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
queues=${2:-200}
rounds=${3:-3}
quellmark="$build/app/cli/quellmark"
document="$build/resources/documents/status.ps"
[ -x "$quellmark" ] || { echo "no $quellmark: build first" >&2; exit 1; }

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-fleet-bench.XXXXXX")
trap '"$root/tests/fixtures/cupsd-sandbox" stop "$sandbox" >/dev/null 2>&1 || true' EXIT
"$root/tests/fixtures/cupsd-sandbox" start "$sandbox" --owner $$ >/dev/null
set -a; source "$sandbox/env"; set +a
unset LPDEST PRINTER
# The test fixture writes the server's state after every change (so a killed
# server keeps its queues); a print server does that every 30 s by default,
# and so does this one for the benchmark.
cupsctl DirtyCleanInterval=30

names=()
for i in $(seq -w 1 "$queues"); do
    lpadmin -p "q$i" -E -v capture:/ -m raw 2>/dev/null
    cupsdisable "q$i"
    names+=("q$i")
done

now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc; }
clear_jobs() { cancel -a -x 2>/dev/null || true; }

best_lp="" best_q=""
for round in $(seq "$rounds"); do
    clear_jobs
    t0=$(now)
    for q in "${names[@]}"; do lp -d "$q" -o raw -t "Corvane Status Page" "$document" >/dev/null; done
    t1=$(now)
    clear_jobs
    t2=$(now)
    "$quellmark" print "${names[@]}" >/dev/null
    t3=$(now)
    lp_s=$(elapsed "$t0" "$t1")
    q_s=$(elapsed "$t2" "$t3")
    printf 'round %d: lp loop %.3f s, quellmark %.3f s\n' "$round" "$lp_s" "$q_s"
    if [ -z "$best_lp" ] || (( $(echo "$lp_s < $best_lp" | bc) )); then best_lp=$lp_s; fi
    if [ -z "$best_q" ] || (( $(echo "$q_s < $best_q" | bc) )); then best_q=$q_s; fi
done
printf '%d queues: lp -o raw loop %.3f s (%.1f ms a job), quellmark print %.3f s (%.1f ms a job), ratio %.3f (goal <= 0.25)\n' \
    "$queues" "$best_lp" "$(echo "$best_lp * 1000 / $queues" | bc -l)" "$best_q" \
    "$(echo "$best_q * 1000 / $queues" | bc -l)" "$(echo "$best_q / $best_lp" | bc -l)"

for n in $((queues / 4)) $((queues / 2)) "$queues"; do
    clear_jobs
    rss=$( { /usr/bin/time -f '%M' "$quellmark" print "${names[@]:0:$n}" >/dev/null; } 2>&1 | tail -1)
    printf 'quellmark print, %3d queues: max RSS %s KiB\n' "$n" "$rss"
done
clear_jobs
