#!/usr/bin/env bash
# The catalogue load against Debian's nginx on loopback, serving the sample catalogue: nginx
# answers the bare HTTP/0.9 request with the file alone. Runs in a network namespace of its own
# so port 80 is private; skipped (77) where that or nginx is not available.
#   nginx_interop_test.sh CATALOGUE_FETCH SAMPLE_PID_INI
set -u
fetch=$1 sample=$2
command -v nginx >/dev/null || { echo "nginx not installed"; exit 77; }
unshare -n true 2>/dev/null || { echo "no network namespace"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WORK=$work FETCH=$fetch SAMPLE=$sample SERVE=$(dirname "$0")/../../tools/nginx-catalogue
unshare -n bash -c '
  ip link set lo up
  "$SERVE" start "$WORK" "$SAMPLE" >/dev/null || exit 1
  TMPDIR="$WORK/tmp" "$FETCH" 127.0.0.1 >"$WORK/out" 2>"$WORK/err"; echo $? >"$WORK/rc"
  "$SERVE" stop "$WORK"
' || { echo "serving the catalogue with nginx failed"; exit 1; }
cat "$work/out"
status=0
[ "$(cat "$work/rc")" = 0 ] || { echo "load failed"; status=1; }
grep -q "^loaded=1 count=4$" "$work/out" || { echo "wrong count"; status=1; }
grep -q "^1 vid=0x1234 pid=0x5678$" "$work/out" || { echo "record 1 wrong"; status=1; }
# Every address in the sample is in the table; the stored reply was the file, byte for byte.
while read -r url; do
  grep -qF "  $url" "$work/out" || { echo "missing $url"; status=1; }
done < <(grep -o 'http://[^[:space:]]*' "$sample")
size=$(stat -c %s "$sample")
grep -q "recv() returned 0 bytes" "$work/err" || { echo "no orderly close"; status=1; }
total=$(grep -o 'returned [0-9]*' "$work/err" | awk '{s+=$2} END {print s}')
[ "$total" = "$size" ] || { echo "received $total bytes, file has $size"; status=1; }
[ ! -e "$work/tmp/PID.ini" ] || { echo "release left the file"; status=1; }
exit $status
