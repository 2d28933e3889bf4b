# SPDX-License-Identifier: Apache-2.0
# shellcheck shell=bash
# The demo's print server: a private cupsd (tests/fixtures/cupsd-sandbox) with
# one default queue "Virtual-PostScript" whose backend is scripts/lib/virtual-ps-backend.
# Sourced by scripts/demo and by the demo's tests. Needs bash; callers may use set -e.
#
#   demo_printer_start RUN OUTDIR   start the server in RUN/cups (RUN: an empty directory
#                                   of the caller's), the queue and the page collector;
#                                   exports CUPS_SERVER, HOME ... from RUN/cups/env
#   demo_printer_start_socket RUN PROGRAM
#                                   start the virtual AppSocket printer PROGRAM on a free
#                                   loopback port, its pages collected like the queue's;
#                                   prints its address
#   demo_printer_wait RUN COUNT SECONDS
#                                   wait until COUNT jobs have reached OUTDIR; fails
#                                   at once when the server aborts a job
#   demo_printer_wait_idle RUN SECONDS
#                                   wait until the queue has no pending job and its
#                                   pages have reached OUTDIR
#   demo_printer_pages RUN          the files copied into OUTDIR so far, one per line
#   demo_printer_stop RUN           collect what is left, stop the collector and cupsd;
#                                   removes RUN/cups, keeps RUN

DEMO_QUEUE=Virtual-PostScript
# cupsd and lpadmin live in /usr/sbin, which is not on an ordinary user's PATH.
case ":$PATH:" in *:/usr/sbin:*) ;; *) export PATH=$PATH:/usr/sbin:/sbin ;; esac
_demo_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# The backend writes into RUN/cups/printed as the user cupsd runs backends as
# (lp when cupsd runs as root); the collector copies finished pages from there
# into OUTDIR, which stays owned by whoever runs the demo.
_demo_spool() { printf '%s/cups/printed' "$1"; }

# Moves every finished job from the spool into OUTDIR. The backend writes the
# marker NAME.done last, so the files it lists are complete.
_demo_collect_once() {
  local run=$1 outdir=$2 spool marker f
  spool=$(_demo_spool "$run")
  for marker in "$spool"/*.done; do
    [ -e "$marker" ] || continue
    while IFS= read -r f; do
      case $f in ''|*/*|.*) continue ;; esac
      cp -f "$spool/$f" "$outdir/.$f.part" && mv -f "$outdir/.$f.part" "$outdir/$f" || return 1
      rm -f "$spool/$f"
      printf '%s\n' "$outdir/$f" >>"$run/pages.list"
      echo "demo: printed page: $outdir/$f"
    done <"$marker"
    rm -f "$marker"
    echo x >>"$run/jobs.list"
  done
}

demo_printer_start() {
  local run=$1 outdir=$2 sandbox=$1/cups spool
  mkdir -p "$outdir" || return 1
  # Backends run as lp: they must be able to reach RUN/cups.
  chmod 0711 "$run" || return 1
  outdir=$(cd "$outdir" && pwd)
  "$_demo_top/tests/fixtures/cupsd-sandbox" start "$sandbox" \
    --backend "virtual-ps=$_demo_top/scripts/lib/virtual-ps-backend" --owner $$ || return 1
  set -a
  # shellcheck disable=SC1091
  . "$sandbox/env"
  set +a
  unset LPDEST PRINTER

  spool=$(_demo_spool "$run")
  mkdir -p "$spool" || return 1
  chmod 0755 "$spool"
  if [ "$(id -u)" -eq 0 ]; then
    chown lp "$spool" || return 1
  fi
  : >"$run/pages.list"
  : >"$run/jobs.list"
  printf '%s\n' "$outdir" >"$run/outdir"

  lpadmin -p "$DEMO_QUEUE" -E -v "virtual-ps:$spool" \
    -D "Virtual PostScript printer (Ghostscript)" -L "demo print server" \
    -o printer-error-policy=abort-job || return 1
  lpadmin -d "$DEMO_QUEUE" || return 1

  # The collector keeps going whatever fails, also under a caller's set -e,
  # and ends with the caller (whose server the fixture then stops, --owner).
  ( set +e; trap 'exit 0' TERM
    while kill -0 $$ 2>/dev/null; do _demo_collect_once "$run" "$outdir"; sleep 0.2; done ) &
  echo $! >"$run/collector.pid"
}

demo_printer_start_socket() {
  local run=$1 program=$2 port
  [ -x "$program" ] || { echo "demo: no virtual AppSocket printer at $program" >&2; return 1; }
  "$program" --port-file "$run/appsocket.port" --out "$(_demo_spool "$run")" --mode gs \
    >"$run/appsocket.log" 2>&1 </dev/null &
  echo $! >"$run/appsocket.pid"
  for _ in $(seq 100); do
    port=$(cat "$run/appsocket.port" 2>/dev/null) && [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "${port:-}" ] || return 1
  printf 'socket://127.0.0.1:%s\n' "$port"
}

demo_printer_wait() {
  local run=$1 count=$2 seconds=$3 deadline
  deadline=$((SECONDS + seconds))
  local log=$run/cups/log/error_log
  while [ "$(wc -l <"$run/jobs.list")" -lt "$count" ]; do
    if grep -q 'Job aborted\|Job stopped' "$log" 2>/dev/null; then
      echo "demo: the virtual printer failed a job; the print server's log says:" >&2
      grep -E '^E |Backend returned|PostScript error' "$log" | tail -n 20 >&2
      return 1
    fi
    if [ $SECONDS -ge $deadline ]; then
      echo "demo: no printed page after $seconds s; the print server's log says:" >&2
      grep -E '^[EW] ' "$log" 2>/dev/null | tail -n 20 >&2
      return 1
    fi
    sleep 0.1
  done
}

demo_printer_wait_idle() {
  local run=$1 seconds=$2 deadline
  deadline=$((SECONDS + seconds))
  while [ -n "$(lpstat -o "$DEMO_QUEUE" 2>/dev/null)" ]; do
    if [ $SECONDS -ge $deadline ]; then
      echo "demo: the virtual printer is still busy after $seconds s" >&2
      return 1
    fi
    sleep 0.2
  done
  _demo_collect_once "$run" "$(cat "$run/outdir")"
}

demo_printer_pages() { cat "$1/pages.list" 2>/dev/null; }

demo_printer_stop() {
  local run=$1 pid
  if [ -f "$run/appsocket.pid" ]; then
    pid=$(cat "$run/appsocket.pid")
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -f "$run/appsocket.pid"
  fi
  if [ -f "$run/collector.pid" ]; then
    pid=$(cat "$run/collector.pid")
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -f "$run/collector.pid"
    [ -f "$run/outdir" ] && _demo_collect_once "$run" "$(cat "$run/outdir")"
  fi
  [ -d "$run/cups" ] && "$_demo_top/tests/fixtures/cupsd-sandbox" stop "$run/cups"
}
