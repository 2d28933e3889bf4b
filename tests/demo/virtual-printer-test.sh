#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# The demo's print path without the window: the status page document sent as
# a raw job to the demo's default queue must come out of the virtual
# PostScript printer as a PDF and a letter-size PNG whose text is the status
# page as Ghostscript printed it; a job with a PostScript error must fail as
# a job and print nothing.
#
#   virtual-printer-test.sh STATUS-DOCUMENT
set -u
[ $# -eq 1 ] || { echo "usage: $0 STATUS-DOCUMENT" >&2; exit 2; }
status_doc=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
[ -s "$status_doc" ] || { echo "FAIL: no status document at $status_doc" >&2; exit 1; }

# shellcheck source=scripts/lib/demo-printer.sh
source "$top/scripts/lib/demo-printer.sh"
for tool in cupsd lp lpadmin ipptool gs; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
run=$(mktemp -d "${TMPDIR:-/tmp}/qm-demo-test.XXXXXX")
cleanup() { demo_printer_stop "$run" >/dev/null 2>&1; rm -rf "$run"; }
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

demo_printer_start "$run" "$run/out" >/dev/null || { echo "FAIL: the demo print server did not start" >&2; exit 1; }

# Prints the job's state as an IPP enum name (completed, aborted ...).
job_state() {
  cat >"$run/job.test" <<'EOF'
{
  OPERATION Get-Job-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR integer job-id $job
  ATTR name requesting-user-name $user
  ATTR keyword requested-attributes job-state,job-name
  STATUS successful-ok
  DISPLAY job-state
}
EOF
  ipptool -t -d job="$1" "ipp://localhost:$CUPSD_PORT/printers/$DEMO_QUEUE" "$run/job.test" 2>/dev/null |
    sed -n 's/^ *job-state (enum) = //p'
}
job_id() { sed -n "s/^request id is $DEMO_QUEUE-\([0-9]*\) .*/\1/p"; }

# --- The status page, as the program sends it --------------------------------
job=$(lp -o raw -t "Corvane Status Page" "$status_doc" | job_id)
[ -n "$job" ] || { echo "FAIL: lp did not queue the status page on the default queue" >&2; exit 1; }
if demo_printer_wait "$run" 1 120; then
  png=$run/out/Corvane-Status-Page-$job.png
  pdf=$run/out/Corvane-Status-Page-$job.pdf
  [ -f "$pdf" ] && [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fail "no PDF at $pdf"
  if [ -f "$png" ] && [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; then
    # IHDR width and height: letter paper at 100 dpi.
    size=$(od -An -tu1 -j16 -N8 "$png" | awk '{printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$size" = 850x1100 ] || fail "the PNG is $size pixels, not 850x1100 (letter at 100 dpi)"
  else
    fail "no PNG at $png"
  fi
  if [ -f "$pdf" ]; then
    text=$(gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=txtwrite -o - "$pdf" 2>&1)
    grep -q 'Status page' <<<"$text" || fail "the printed page has no title \"Status page\": $(head -c 600 <<<"$text")"
    grep -q 'Printed on a "GPL Ghostscript"' <<<"$text" ||
      fail "the printed page has no product line 'Printed on a \"GPL Ghostscript\"': $(head -c 600 <<<"$text")"
  fi
  state=$(job_state "$job")
  [ "$state" = completed ] || fail "the status page job is '$state', not completed"
else
  fail "the status page did not come out of the virtual printer"
fi
pages=$(demo_printer_pages "$run" | wc -l)
[ "$pages" -eq 2 ] || fail "expected a PDF and a PNG in the output directory, found $pages files"

# --- A job the printer cannot run --------------------------------------------
job=$(printf '%%!PS\n/Helvetica findfont 12 scalefont setfont\n1 0 div\nshowpage\n' |
  lp -o raw -t "Broken job" | job_id)
if demo_printer_wait "$run" 2 60 2>/dev/null; then
  fail "a job with a PostScript error produced a page"
fi
for _ in $(seq 50); do
  state=$(job_state "$job")
  [ "$state" = aborted ] && break
  sleep 0.1
done
[ "$state" = aborted ] || fail "the job with a PostScript error is '$state', not aborted"
compgen -G "$run/out/Broken*" >/dev/null && fail "the job with a PostScript error left files in the output directory"
grep -q 'PostScript error in job' "$run/cups/log/error_log" ||
  fail "the print server's log does not name the PostScript error"

[ $failures -eq 0 ] || exit 1
echo "virtual printer: status page printed, broken job aborted"
