#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# The demo's unattended window steps against the real program: on a private
# Xvfb, with the demo's print server, pressing Print and OK the way
# scripts/demo does must print exactly one page, as the job "Corvane Status
# Page", and leave both screenshots.
#
#   window-print-test.sh PROGRAM
set -u
[ $# -eq 1 ] || { echo "usage: $0 PROGRAM" >&2; exit 2; }
program=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$program" ] || { echo "FAIL: no program at $program" >&2; exit 1; }

# shellcheck source=scripts/lib/demo-printer.sh
source "$top/scripts/lib/demo-printer.sh"
for tool in cupsd lpadmin gs Xvfb xauth xdotool import; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
# shellcheck source=scripts/lib/demo-gui.sh
source "$top/scripts/lib/demo-gui.sh"
run=$(mktemp -d "${TMPDIR:-/tmp}/qm-demo-gui-test.XXXXXX")
app=''
cleanup() {
  [ -n "$app" ] && demo_gui_close "$app"
  demo_gui_stop_xvfb
  demo_printer_stop "$run" >/dev/null 2>&1
  rm -rf "$run"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

demo_printer_start "$run" "$run/out" >/dev/null || { echo "FAIL: the demo print server did not start" >&2; exit 1; }
demo_gui_start_xvfb "$run" || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
mkdir -m 0700 "$run/runtime" && export XDG_RUNTIME_DIR=$run/runtime
"$program" >"$run/app.log" 2>&1 &
app=$!

if demo_gui_press_print "$run" "$app" "$run/out"; then
  # The shell finds the launcher by the window's class: the desktop entry's StartupWMClass.
  class=$(sed -n 's/^StartupWMClass=//p' "$top/packaging/org.quellmark.Quellmark.desktop")
  timeout 10 xdotool search --all --pid "$app" --class "^${class:-none}\$" >/dev/null ||
    fail "no window of the program has the class '$class' that the desktop entry names"
  demo_printer_wait "$run" 1 60 || fail "no page came out after Print"
  compgen -G "$run/out/Corvane-Status-Page-*.png" >/dev/null ||
    fail "the printed job is not named \"Corvane Status Page\": $(ls "$run/out")"
  for shot in window.png window-sent.png; do
    [ "$(head -c 4 "$run/out/$shot" 2>/dev/null | od -An -c | tr -d ' ')" = 211PNG ] || fail "no screenshot $shot"
  done
  # The window alone is much smaller than the screen: the shot is cropped to it.
  size=$(od -An -tu1 -j16 -N8 "$run/out/window.png" 2>/dev/null |
    awk '{printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  case $size in 1024x768|0x0|'') fail "the window screenshot is not cropped to the window ($size)" ;; esac
else
  fail "the demo's window steps failed; the program said: $(tail -n 5 "$run/app.log")"
fi
sleep 1
jobs_printed=$(wc -l <"$run/jobs.list")
[ "$jobs_printed" -eq 1 ] || fail "one press of Print printed $jobs_printed jobs"
demo_gui_close "$app"
app=''

[ $failures -eq 0 ] || exit 1
echo "demo window steps: Print pressed, one page printed, box dismissed"
