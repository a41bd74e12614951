#!/usr/bin/env bash
# Runs press-cost-bench with the USB stand-in driver serving the large topology, in the
# stand-in's prefix of the windows build (made when missing). Prints figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/windows
prefix=$build/wineprefix-usb-stand-in
work=$(mktemp -d)
# The stand-in keeps a persistent wineserver; it goes with the run.
trap '"$root/tools/usb-stand-in" stop "$prefix"; rm -rf "$work"' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$root/tools/usb-stand-in" install "$prefix" "$build/tests/usb_driver/usb-stand-in.sys"
wine "$build/tools/bench/press-cost-bench.exe" --write "$work/large.txt"
"$root/tools/usb-stand-in" use "$prefix" "$work/large.txt"
wine "$build/tools/bench/press-cost-bench.exe" "$(winepath -w "$work/large.txt")"
