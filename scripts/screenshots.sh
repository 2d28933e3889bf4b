#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Pictures of the main window (with its printer list open) and of the
# information dialog, taken under a private Xvfb against a private print
# server. Writes docs/window.png, docs/window-printer-list.png and
# docs/information-dialog.png, and docs/window-printer-status.png with the
# virtual AppSocket printer (tests/fixtures, Ghostscript mode) asked.
#   scripts/screenshots.sh [BUILD_DIR]
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
exe="$build/app/qt/QuellmarkExec"
[ -x "$exe" ] || { echo "screenshots: build QuellmarkExec first ($exe)" >&2; exit 1; }
virtual="$build/tests/fixtures/appsocket-printer"
[ -x "$virtual" ] || { echo "screenshots: build appsocket-printer first ($virtual)" >&2; exit 1; }
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb=""
app=""
printer=""
cleanup() {
    set +e
    if [ -n "$printer" ]; then kill "$printer" 2>/dev/null; wait "$printer" 2>/dev/null; fi
    if [ -n "$app" ]; then kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; fi
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; fi
    "$root/tests/fixtures/cupsd-sandbox" stop "$work/cups" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

"$root/tests/fixtures/cupsd-sandbox" start "$work/cups" --owner $$ >/dev/null
set -a
. "$work/cups/env"
set +a
unset LPDEST PRINTER
for queue in Office_Laser Lab_PostScript Front_Desk; do
    lpadmin -p "$queue" -E -v capture:/ -m raw 2>/dev/null
done
lpadmin -d Lab_PostScript

"$exe" >/dev/null 2>&1 &
app=$!
main=$(timeout 10 xdotool search --sync --name '^QuellmarkX$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$main")"   # X Y WIDTH HEIGHT
sleep 0.3
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$root/docs/window.png"

# The printer box's list: click its arrow, picture the window and the list below it.
menu=$((HEIGHT - 73))
xdotool mousemove $((X + 8 + 320)) $((Y + menu + 9 + 10)) click 1
sleep 0.4
import -window root -crop "${WIDTH}x$((HEIGHT + 50))+${X}+${Y}" "$root/docs/window-printer-list.png"
xdotool key Escape
sleep 0.2

# Print: the job goes to the sandbox queue and the success message comes up.
xdotool mousemove $((X + 362 + 37)) $((Y + menu + 7 + 12)) click 1
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Quellmarkexec$' | head -n1)
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$dialog")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$root/docs/information-dialog.png"
xdotool key Return

# Options > Printer Status for the virtual printer typed into the box.
mkdir "$work/printer"
"$virtual" --port-file "$work/printer/port" --out "$work/printer" --mode gs >/dev/null 2>&1 &
printer=$!
for _ in $(seq 100); do [ -s "$work/printer/port" ] && break; sleep 0.05; done
xdotool windowfocus --sync "$main"
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 8 + 100)) $((Y + menu + 9 + 10)) click 1 key ctrl+a
xdotool type --delay 20 "socket://127.0.0.1:$(cat "$work/printer/port")"
xdotool key alt+o sleep 0.3 key s
status=$(timeout 10 xdotool search --sync --onlyvisible --name '^Quellmarkexec$' | head -n1)
sleep 3
eval "$(xdotool getwindowgeometry --shell "$status")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$root/docs/window-printer-status.png"
xdotool key Escape
echo "screenshots: docs/window.png docs/window-printer-list.png docs/information-dialog.png" \
    "docs/window-printer-status.png"
