#!/usr/bin/env bash
# For each topology file: what usb-walk.exe (the real hub driver) finds under Wine, with the
# stand-in driver serving the file, is byte for byte what usb-walk-sim finds in the same file.
#   differential_test.sh PREFIX USB_WALK_EXE USB_WALK_SIM_EXE FILE...
set -uo pipefail
prefix=$1 real=$2 sim=$3; shift 3
here=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
failed=0
for file in "$@"; do
  if ! "$here/tools/usb-stand-in" use "$prefix" "$file" 2>/dev/null; then
    echo "FAIL $file: the driver did not start"; failed=1; continue
  fi
  want=$(DETECTOR_USB_TOPOLOGY=$file wine "$sim" 2>/dev/null </dev/null)
  got=$(wine "$real" 2>/dev/null </dev/null)
  if [ -n "$want" ] && [ "$got" = "$want" ]; then
    echo "PASS $file: $(tail -n 1 <<<"$got")"
  else
    echo "FAIL $file"; diff <(echo "$want") <(echo "$got"); failed=1
  fi
done
exit "$failed"
