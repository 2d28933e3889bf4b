#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The Windows program end to end under Wine and Xvfb:
#   gui-test.sh SESSION EXE STATUS_DOCUMENT MINSTATUS_DOCUMENT [SHOT_DIR]
# Starts a private print server, then EXE inside the Wine session SESSION:
#  1. with no queue: the start-up error box comes before the main window;
#     Print then fails at opening the printer "cboPrinters", in the error
#     box, and leaves its temporary file; closing the window exits with 0;
#  2. with a capturing queue: types the queue's name into the printer box,
#     presses Print, dismisses the success box and checks that the job's
#     bytes and name are the full document's; then the same with Minimal
#     Page ticked (notice first) and the minimal document; no temporary
#     file is left behind and the exit code is 0.
# With SHOT_DIR, saves screenshots there. Every wait has a time limit.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fixtures="$here/../fixtures"
session=$1 exe=$2 status_doc=$3 minstatus_doc=$4 shots=${5:-}

fail() {
    echo "gui-test: FAIL: $*" >&2
    [ -z "$shots" ] || in_session import -window root "$shots/windows-failure.png" 2>/dev/null || true
    exit 1
}
in_session() { "$fixtures/wine/wine-session" exec "$session" "$@"; }
xdo() { in_session xdotool "$@" 2>/dev/null; }

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/quellmark-wingui.XXXXXX")
program=""
cleanup() {
    if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then
        kill "$program" 2>/dev/null || true
        wait "$program" 2>/dev/null || true
    fi
    "$fixtures/cupsd-sandbox" stop "$sandbox" >/dev/null 2>&1 || true
}
trap cleanup EXIT
"$fixtures/cupsd-sandbox" start "$sandbox" --owner $$ >/dev/null
in_sandbox() { (set -a; source "$sandbox/env"; set +a; unset LPDEST PRINTER; "$@"); }
jobs=$(in_sandbox sh -c 'echo "$CUPSD_JOBS"')
server=$(in_sandbox sh -c 'echo "$CUPS_SERVER"')
# The program's temporary folder inside the prefix.
prefix=$(in_session sh -c 'echo "$WINEPREFIX"')
temp_files() { find "$prefix/drive_c/users" -iname 'ps*.ps' 2>/dev/null | sort; }
temp_before=$(temp_files)

# Waits up to $2 tenths of a second for a shown window named exactly $1 that
# is larger than the application's zero-size window; prints its id.
wait_window() {
    local name=$1 tries=$2 id geometry
    while [ "$tries" -gt 0 ]; do
        for id in $(xdo search --name "^$name\$" || true); do
            geometry=$(xdo getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')
            [ -n "$geometry" ] && [ "${geometry%x*}" -gt 1 ] && { echo "$id"; return 0; }
        done
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}
wait_window_gone() {
    local id=$1 tries=$2
    while [ "$tries" -gt 0 ]; do
        xdo getwindowgeometry "$id" >/dev/null || return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}
# Keys go to the X input focus, which Wine moves only once the program has
# taken the click or shown the window: wait for it before typing.
wait_focus() {  # window id
    local tries=100
    while [ "$tries" -gt 0 ]; do
        [ "$(xdo getwindowfocus -f || true)" = "$1" ] && return 0
        sleep 0.05
        tries=$((tries - 1))
    done
    fail "window $1 did not get the keyboard focus"
}
wait_job() {  # job id, tenths of a second
    local tries=$2
    while [ "$tries" -gt 0 ]; do
        [ -f "$jobs/$1.queue" ] && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}
shot() { [ -z "$shots" ] || in_session import -window root "$shots/$1.png"; }

start_program() {
    QUELLMARK_CUPS_SERVER="$server" "$fixtures/wine/wine-session" run "$session" "$exe" >>"$sandbox/program.log" 2>&1 &
    program=$!
}
find_main_window() {
    main=$(wait_window QuellmarkX 300) || fail "the main window did not appear"
    eval "$(xdo getwindowgeometry --shell "$main")"
    # The client area is 462x73 at the bottom of the frame, framed evenly
    # left, right and below.
    border=$(((WIDTH - 462) / 2))
    client_x=$((X + border))
    client_y=$((Y + HEIGHT - border - 73))
    [ "$border" -ge 0 ] && [ $((HEIGHT - 73)) -gt "$border" ] || fail "unexpected frame ${WIDTH}x${HEIGHT}"
}
close_program() {  # what
    xdo mousemove $((client_x + 200)) $((client_y + 50)) click 1
    wait_focus "$main"
    xdo key alt+F4
    for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$program" 2>/dev/null && fail "$1: the program did not end when its window closed"
    local rc=0
    wait "$program" || rc=$?
    program=""
    [ "$rc" -eq 0 ] || fail "$1: exit code $rc"
}
press_print() { xdo mousemove $((client_x + 362 + 37)) $((client_y + 7 + 12)) click 1; }
dismiss() {  # the dialog's window id
    wait_focus "$1"
    xdo key Return
    wait_window_gone "$1" 100 || fail "the dialog did not close"
}
check_job() {  # job id, document, what
    wait_job "$1" 300 || fail "$3: no job reached the print server"
    [ "$(cat "$jobs/$1.title")" = "Corvane Status Page" ] || fail "$3: job named '$(cat "$jobs/$1.title")'"
    cmp -s "$jobs/$1.data" "$2" || fail "$3: the job's bytes differ from $(basename "$2")"
    echo "gui-test: $3: job $1, $(stat -c %s "$jobs/$1.data") bytes, equal to $(basename "$2")"
}

# 1. No queue, so no default printer: the error box comes first, owned by
# the application, and the main window only after it.
start_program
box=$(wait_window Quellmarkexec 300) || fail "no start-up error box"
xdo search --onlyvisible --name '^QuellmarkX$' >/dev/null && fail "the main window came before the start-up error box"
shot windows-startup-error
dismiss "$box"
find_main_window
# The printer box still holds its initial text: Print fails at opening the
# printer of that name, after writing the temporary file, which stays.
press_print
box=$(wait_window Quellmarkexec 300) || fail "no error box after Print to an unknown printer"
dismiss "$box"
left=$(temp_files)
[ "$left" != "$temp_before" ] || fail "a failed job left no temporary file"
close_program "no printer"
[ -z "$(ls "$jobs")" ] || fail "a job reached the print server"
echo "gui-test: no printer: start-up error box, then the window; failed Print kept its temporary file"
find "$prefix/drive_c/users" -iname 'ps*.ps' -delete
temp_before=$(temp_files)

# 2. A capturing queue, the server's default.
in_sandbox lpadmin -p StatusQueue -E -v capture:/ -m raw 2>/dev/null
in_sandbox lpadmin -d StatusQueue
start_program
find_main_window

# Wine lists its printers with no LOCAL or NETWORK attribute, so the box
# stays empty; type the queue's name over the initial text, as a user may.
xdo mousemove $((client_x + 8 + 150)) $((client_y + 9 + 10)) click 1
wait_focus "$main"
xdo key End
for _ in $(seq 12); do xdo key BackSpace; done
xdo type --delay 30 StatusQueue

# Full page: no notice, the job, then the success box.
press_print
box=$(wait_window Quellmarkexec 300) || fail "no box after Print"
check_job 1 "$status_doc" "full page"
shot windows-main
dismiss "$box"

# Minimal Page from the Options menu: the notice first, then the job.
wait_focus "$main"
xdo key alt+o
sleep 0.3
xdo key m
sleep 0.3
press_print
notice=$(wait_window Quellmarkexec 300) || fail "no notice after Print with Minimal Page"
[ -f "$jobs/2.queue" ] && fail "the minimal page was sent before the notice was closed"
shot windows-minimal-notice
dismiss "$notice"
box=$(wait_window Quellmarkexec 300) || fail "no success box after the notice"
check_job 2 "$minstatus_doc" "minimal page"
dismiss "$box"

close_program "with a printer"
[ "$(temp_files)" = "$temp_before" ] || fail "temporary files left behind: $(temp_files)"
[ ! -f "$jobs/3.queue" ] || fail "an unexpected third job"
echo "gui-test: passed"
