#!/usr/bin/env bash
# Runs a command with the stand-in driver of PREFIX serving TOPOLOGY, Wine's variables set.
#   with_topology.sh PREFIX TOPOLOGY COMMAND [ARGS...]
set -eu
prefix=$1 topology=$2; shift 2
"$(dirname "$0")/../../tools/usb-stand-in" use "$prefix" "$topology"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec "$@"
