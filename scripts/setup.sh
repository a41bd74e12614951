#!/usr/bin/env bash
# Installs everything the builds, tests and demo need on a fresh Debian machine.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest
  mingw-w64 g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64
  wine wine64 fonts-wine xvfb xauth x11-utils xdotool jwm imagemagick
  fonts-wqy-microhei locales osslsigncode openssl nginx-light iproute2 util-linux python3 procps
  apache2 lighttpd libcurl4-openssl-dev libssl-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  # The web servers are for tests that start their own on loopback: installing them must not
  # start a service on this machine. Where no policy says so yet, one does for the install.
  policy=/usr/sbin/policy-rc.d
  own_policy=""
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo_cmd tee "$policy" >/dev/null
    $sudo_cmd chmod 755 "$policy"
    own_policy=1
  fi
  status=0
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "${missing[@]}" || status=$?
  [ -z "$own_policy" ] || $sudo_cmd rm -f "$policy"
  [ "$status" -eq 0 ] || exit "$status"
  # Nor at the next boot.
  services=()
  [[ " ${missing[*]} " == *" apache2 "* ]] && services+=(apache2 apache-htcacheclean)
  [[ " ${missing[*]} " == *" lighttpd "* ]] && services+=(lighttpd)
  if [ ${#services[@]} -gt 0 ] && command -v systemctl >/dev/null; then
    $sudo_cmd systemctl disable -q "${services[@]}" 2>/dev/null || true
  fi
fi

# Wine reports code page 936 and language 2052 only when the C library knows the locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd sed -i -e 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' -e 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  $sudo_cmd locale-gen >/dev/null
fi
