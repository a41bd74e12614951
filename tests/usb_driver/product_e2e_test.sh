#!/usr/bin/env bash
# Runs product_e2e_test.exe with the stand-in driver serving TOPOLOGY, in a network and mount
# namespace of its own: there the catalogue's HOST resolves to 127.0.0.1 (a hosts file bound
# over /etc/hosts: Wine resolves names through the system's resolver) and nginx serves the
# sample catalogue on port 80. Wine makes its sockets in the wineserver, so the prefix's
# wineserver runs in the namespace for the test and is stopped after it. With x86 the emulated
# 32-bit Wine runs it, which resolves names through its own root's hosts file.
#   product_e2e_test.sh PREFIX TOPOLOGY HOST TEST_EXE BROWSER_BIN BROWSER_RECORD x64|x86
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${1:-}" != --in-namespace ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo --preserve-env=DISPLAY,XAUTHORITY,DETECTOR_WINE32_DIR,DETECTOR_WINE32_SHARE)
  exec "${sudo_cmd[@]}" unshare -n -m -- "$0" --in-namespace "$@"
fi
shift
prefix=$1 topology=$2 host=$3 test_exe=$4 browser_bin=$5 record=$6 arch=$7
wine32=${DETECTOR_WINE32_DIR:-/var/cache/detector-wine32}
# sudo may have put the system's PATH back.
[ "$arch" = x64 ] || export PATH=$root/tools/wine32:$PATH

ip link set lo up
work=$(mktemp -d /tmp/product-e2e.XXXXXX)
chmod 755 "$work"
finish() {
  "$root/tools/nginx-catalogue" stop "$work/nginx" || true
  "$root/tools/usb-stand-in" stop "$prefix" || true
  rm -rf "$work"
}
trap finish EXIT
printf '127.0.0.1 localhost\n127.0.0.1 %s\n' "$host" >"$work/hosts"
mount --bind "$work/hosts" /etc/hosts
[ "$arch" = x64 ] || mount --bind "$work/hosts" "$wine32/root/etc/hosts"
"$root/tools/nginx-catalogue" start "$work/nginx" "$root/tools/sample/PID.ini" >/dev/null

# The server outside the namespace goes; the driver starts again in here.
"$root/tools/usb-stand-in" stop "$prefix"
"$root/tools/usb-stand-in" use "$prefix" "$topology"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export PATH=$browser_bin:$PATH LINK_LABEL_XDG_RECORD=$record
wine "$test_exe"
