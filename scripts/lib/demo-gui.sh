# SPDX-License-Identifier: Apache-2.0
# shellcheck shell=bash
# The demo's unattended window steps: a private Xvfb, the Print button pressed
# and the success box dismissed with xdotool, screenshots with ImageMagick.
# Every step has a time limit. Sourced by scripts/demo; needs bash; callers may use set -e.
#
#   demo_gui_start_xvfb RUN             start Xvfb with a cookie of its own; exports
#                                       DISPLAY and XAUTHORITY, sets xvfb_pid
#   demo_gui_stop_xvfb                  stop it
#   demo_gui_press_print RUN PID OUTDIR [PRINTER]
#                                       wait for the program's window, type PRINTER into
#                                       the printer box when given, screenshot it, press
#                                       Print, screenshot and dismiss the box
#   demo_gui_close PID                  end the program

DEMO_GUI_TIMEOUT=${DEMO_GUI_TIMEOUT:-20}

_gui() { timeout 10 xdotool "$@"; }

demo_gui_start_xvfb() {
  local run=$1 cookie n
  cookie=$(mcookie) || return 1
  # The server accepts the cookie whatever display it gets; the client's
  # entry names the display once Xvfb has said which one it took.
  xauth -q -f "$run/xvfb.auth" add :0 . "$cookie" 2>/dev/null || return 1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -auth "$run/xvfb.auth" \
    3>"$run/xvfb.display" </dev/null >"$run/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$run/xvfb.display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  n=$(tr -dc 0-9 <"$run/xvfb.display")
  if [ -z "$n" ]; then
    cat "$run/xvfb.log" >&2
    return 1
  fi
  xauth -q -f "$run/client.auth" add ":$n" . "$cookie" 2>/dev/null || return 1
  export DISPLAY=:$n XAUTHORITY=$run/client.auth
}

demo_gui_stop_xvfb() {
  [ -n "${xvfb_pid:-}" ] || return 0
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

# Prints the first visible top-level window of PID other than EXCEPT.
_demo_gui_wait_window() {
  local pid=$1 except=$2 deadline=$((SECONDS + DEMO_GUI_TIMEOUT)) w
  while [ $SECONDS -lt $deadline ]; do
    kill -0 "$pid" 2>/dev/null || { echo "demo: the program exited" >&2; return 1; }
    for w in $(_gui search --onlyvisible --pid "$pid" --name '.' 2>/dev/null); do
      [ "$w" = "$except" ] && continue
      echo "$w"
      return 0
    done
    sleep 0.1
  done
  return 1
}

# Waits until window W is no longer visible.
_demo_gui_wait_gone() {
  local pid=$1 w=$2 deadline=$((SECONDS + DEMO_GUI_TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    _gui search --onlyvisible --pid "$pid" --name '.' 2>/dev/null | grep -qx "$w" || return 0
    sleep 0.1
  done
  return 1
}

# Screenshot of the smallest screen area that holds the given windows.
_demo_gui_shot() {
  local file=$1 w X Y WIDTH HEIGHT left=100000 top=100000 right=0 bottom=0
  shift
  for w in "$@"; do
    eval "$(_gui getwindowgeometry --shell "$w" | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$')"
    [ "$X" -lt $left ] && left=$X
    [ "$Y" -lt $top ] && top=$Y
    [ $((X + WIDTH)) -gt $right ] && right=$((X + WIDTH))
    [ $((Y + HEIGHT)) -gt $bottom ] && bottom=$((Y + HEIGHT))
  done
  timeout 20 import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$file"
}

demo_gui_press_print() {
  local run=$1 pid=$2 outdir=$3 printer=${4:-} main box
  main=$(_demo_gui_wait_window "$pid" "") || { echo "demo: the window did not appear within $DEMO_GUI_TIMEOUT s" >&2; return 1; }
  sleep 0.5   # let it paint
  if [ -n "$printer" ]; then
    # Focus starts in the printer box: replace its text with the address.
    _gui windowfocus --sync "$main" && _gui key ctrl+a && _gui type --delay 20 "$printer" ||
      { echo "demo: could not type into the printer box" >&2; return 1; }
    sleep 0.3
  fi
  _demo_gui_shot "$outdir/window.png" "$main" || echo "demo: no screenshot of the window" >&2
  # Focus starts in the printer box; Tab moves it to Print, Space presses it.
  _gui windowfocus --sync "$main" && _gui key --delay 100 Tab space ||
    { echo "demo: could not press Print" >&2; return 1; }
  box=$(_demo_gui_wait_window "$pid" "$main") ||
    { echo "demo: no message box within $DEMO_GUI_TIMEOUT s of pressing Print" >&2; return 1; }
  sleep 0.5
  _demo_gui_shot "$outdir/window-sent.png" "$main" "$box" || echo "demo: no screenshot of the message box" >&2
  # OK is the box's default button.
  _gui windowfocus --sync "$box" && _gui key Return || { echo "demo: could not dismiss the message box" >&2; return 1; }
  _demo_gui_wait_gone "$pid" "$box" || { echo "demo: the message box did not close" >&2; return 1; }
}

# Without a window manager nothing delivers a close request; the program keeps
# no state, so ending it is the same as closing its window.
demo_gui_close() {
  local pid=$1
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
