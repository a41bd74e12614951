#!/usr/bin/env bash
# Builds the product, detector.exe, and runs it under Wine against the sample catalogue
# (tools/sample/PID.ini), served by Debian's nginx on 127.0.0.1:80 inside a network namespace of
# its own (port 80 there is private, so no other server on this machine is disturbed), where the
# catalogue's host name resolves to 127.0.0.1. Its walk goes through the platform's calls to the
# USB stand-in driver (tests/usb_driver), installed in the demo's Wine prefix. On a machine with a display the
# dialog stays until you close it; without one it runs under Xvfb, and the demo takes a
# screenshot, says where the PNG is and closes the program.
#   scripts/demo.sh                       English
#   DETECTOR_DEMO_LANG=zh scripts/demo.sh  Chinese
#   DETECTOR_DEMO_DPI=144 scripts/demo.sh  the screen's DPI (default 96), as a high-resolution
#                                          screen has it; the screenshot's name carries it
# The pretend USB machine is tools/usb-topologies/demo.txt (a camera behind an external hub);
# DETECTOR_DEMO_TOPOLOGY and DETECTOR_DEMO_CATALOGUE name another topology file or catalogue.
# DETECTOR_DEMO_PROGRAM=sim runs the simulator build, detector-sim.exe, instead.
# DETECTOR_DEMO_ARCH=x86 runs the 32-bit build (build/windows-x86) under the emulated 32-bit Wine
# of tools/wine32-setup, with its own 32-bit stand-in driver; its screenshot is in
# build/windows-x86/demo.
# --no-build skips the set-up and the build, for a test that runs on a built tree.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
wine32=${DETECTOR_WINE32_DIR:-/var/cache/detector-wine32}
case ${DETECTOR_DEMO_ARCH:-x64} in
  x64) preset=windows ;;
  x86) preset=windows-x86 PATH=$wine32/bin:$PATH ;;
  *) echo "demo: DETECTOR_DEMO_ARCH is \"x64\" (the default) or \"x86\"" >&2; exit 2 ;;
esac
build=${DETECTOR_DEMO_BUILD:-$root/build/$preset}  # a test names the tree it runs for
# What the 32-bit Wine's calls may reach besides /tmp (each call binds them for itself).
[ "$preset" = windows ] || export DETECTOR_WINE32_SHARE="$root:$build"
case ${DETECTOR_DEMO_PROGRAM:-product} in
  product) program=$build/app/detector.exe targets=(detector usb-stand-in) ;;
  sim) program=$build/app/detector-sim.exe targets=(detector-sim) ;;
  *) echo "demo: DETECTOR_DEMO_PROGRAM is \"product\" (the default) or \"sim\"" >&2; exit 2 ;;
esac
driver=$build/tests/usb_driver/usb-stand-in.sys
window_wait_seconds=120    # the first run creates the Wine prefix, which takes about a minute
settle_seconds=3
exit_wait_seconds=20

dpi=${DETECTOR_DEMO_DPI:-96}
if ! [[ $dpi =~ ^[1-9][0-9]{1,2}$ ]] || [ "$dpi" -lt 96 ] || [ "$dpi" -gt 480 ]; then
  echo "demo: DETECTOR_DEMO_DPI must be a whole number from 96 to 480, not '$dpi'" >&2
  exit 2
fi

if [ "${1:-}" != "--in-namespace" ]; then
  if [ "${1:-}" != "--no-build" ]; then
    scripts/setup.sh
    [ "$preset" = windows ] || tools/wine32-setup
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target "${targets[@]}"
  fi
  interactive=0
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then interactive=1; fi
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo --preserve-env=DISPLAY,XAUTHORITY,DETECTOR_DEMO_LANG,DETECTOR_DEMO_DPI,DETECTOR_DEMO_TOPOLOGY,DETECTOR_DEMO_CATALOGUE,DETECTOR_DEMO_PROGRAM,DETECTOR_DEMO_ARCH,DETECTOR_DEMO_BUILD,DETECTOR_WINE32_DIR,DETECTOR_WINE32_SHARE)
  exec "${sudo_cmd[@]}" env DETECTOR_DEMO_INTERACTIVE=$interactive \
    unshare -n -m -- "$root/tools/with-display" "$root/scripts/demo.sh" --in-namespace
fi

# From here on: inside the namespace, with a display.
ip link set lo up
work=$(mktemp -d /tmp/detector-demo.XXXXXX)
chmod 755 "$work"
# Wine keeps its sockets in the wineserver, which must run in this namespace: a prefix of the
# demo's own, whose server is stopped at the end.
prefix=$build/demo-wineprefix
screenshot=$build/demo/detector-${DETECTOR_DEMO_LANG:-en}-$dpi.png
mkdir -p "$(dirname "$screenshot")"
nginx_pid="" program_pid=""

finish() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then kill "$program_pid" 2>/dev/null || true; fi
  if [ -n "$nginx_pid" ]; then "$root/tools/nginx-catalogue" stop "$work" || true; fi
  "$root/tools/usb-stand-in" stop "$prefix" || true
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT

sample=${DETECTOR_DEMO_CATALOGUE:-$root/tools/sample/PID.ini}
topology=${DETECTOR_DEMO_TOPOLOGY:-$root/tools/usb-topologies/demo.txt}
topology=$(realpath "$topology")
nginx_pid=$("$root/tools/nginx-catalogue" start "$work" "$sample")
echo "demo: nginx (pid $nginx_pid) serves $sample on 127.0.0.1:80"

if [ "${DETECTOR_DEMO_LANG:-en}" = zh ]; then export LC_ALL=zh_CN.UTF-8; else export LC_ALL=en_US.UTF-8; fi
# Wine draws captions in a font without Chinese glyphs; link it to the Chinese font installed by
# the set-up, as a Chinese Windows links its caption font to its own.
for face in Tahoma "Microsoft Sans Serif"; do
  "$root/tools/wine-run" "$prefix" reg add \
    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
done
# The caption buttons are glyphs of the Marlett font, which Wine's prefix lacks: without it they
# come out as the letters "0 1 r". Debian's Wine ships the font; Wine reads the Fonts folder.
fonts=$prefix/drive_c/windows/Fonts
if [ ! -f "$fonts/marlett.ttf" ]; then
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
fi
# Wine takes the DPI from here when a program starts.
"$root/tools/wine-run" "$prefix" reg add 'HKCU\Control Panel\Desktop' \
  /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
echo "demo: the screen has $dpi DPI"
if [ "${DETECTOR_DEMO_PROGRAM:-product}" = product ]; then
  # The product asks its catalogue host by name: here the name is this machine's.
  host=$(sed -n 's/^DETECTOR_CATALOGUE_HOST:STRING=//p' "$build/CMakeCache.txt")
  printf '127.0.0.1 localhost\n127.0.0.1 %s\n' "$host" >"$work/hosts"
  mount --bind "$work/hosts" /etc/hosts
  # The 32-bit Wine asks its own root's.
  [ "$preset" = windows ] || mount --bind "$work/hosts" "$wine32/root/etc/hosts"
  echo "demo: $host is 127.0.0.1 here"
  "$root/tools/usb-stand-in" install "$prefix" "$driver"
  "$root/tools/usb-stand-in" use "$prefix" "$topology"
  echo "demo: the USB stand-in driver serves $topology"
else
  # The simulator reads the topology through Wine's drive Z:, which is the Unix root.
  export DETECTOR_USB_TOPOLOGY="Z:${topology//\//\\}"
  echo "demo: the pretend USB machine is $topology"
fi
# The download's diagnostic lines (the program's standard error) go to a file.
"$root/tools/wine-run" "$prefix" "$program" 2>"$build/demo/detector-stderr.txt" &
program_pid=$!
echo "demo: started $(basename "$program") (pid $program_pid) under Wine"

if [ "${DETECTOR_DEMO_INTERACTIVE:-0}" = 1 ]; then
  echo "demo: close the dialog to end the demo"
  wait "$program_pid" || true
  program_pid=""
  exit 0
fi

window=""
for _ in $(seq 1 "$window_wait_seconds"); do
  window=$(xdotool search --onlyvisible --class "$(basename "$program" .exe)" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 1
done
if [ -z "$window" ]; then
  echo "demo: the dialog did not appear" >&2
  exit 1
fi
sleep "$settle_seconds"
# "Check Device" has the focus when the dialog opens: a press of the space bar presses it.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" space 2>/dev/null || true
sleep "$settle_seconds"
# Bounded: an X grab held by a stuck program would hold import for ever.
timeout 60 import -window "$window" "$screenshot" 2>/dev/null || timeout 60 import -window root "$screenshot"
echo "demo: pressed \"Check Device\"; screenshot of the dialog: $screenshot"

# A polite close, as the close box does: the program deletes its catalogue file. The emulated
# 32-bit Wine's taskkill finds no process by its name, so there the dialog gets Alt+F4 (the
# close box's SC_CLOSE); the 64-bit Wine's program was seen to stay after Alt+F4.
if [ "$preset" = windows ]; then
  "$root/tools/wine-run" "$prefix" taskkill /im "$(basename "$program")" >/dev/null 2>&1 || true
else
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" alt+F4 2>/dev/null || true
fi
for _ in $(seq 1 "$exit_wait_seconds"); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 1
done
if kill -0 "$program_pid" 2>/dev/null; then
  echo "demo: the program did not end; stopping it" >&2
else
  wait "$program_pid" || true
  program_pid=""
  echo "demo: the program has ended"
fi
