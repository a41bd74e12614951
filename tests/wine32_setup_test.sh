#!/usr/bin/env bash
# tools/wine32-setup must not reach the host through its root. Run as root, in a private mount
# namespace of the test's own (nothing it mounts is seen outside, and all of it goes at the end).
#   wine32_setup_test.sh remove symlink|blank|relative
#     a root an older set-up left with its binds up (a stand-in for the host's /tmp, shared,
#     with a mount made below it afterwards; proc; a stand-in clone, as one at /srv/clone), its
#     folder marked by hand, given through a symlink, by a path holding a blank, or by a relative
#     path: --remove deletes it and leaves the stand-ins and their mount whole.
#   wine32_setup_test.sh remove unmarked
#     a folder of the user's own that holds bin/, apt/ and root/ but no marker: --remove refuses
#     and every file stays.
#   wine32_setup_test.sh share etc
#     a call into a set-up's root that shares /etc: refused before anything is bound.
#   wine32_setup_test.sh setup
#     the real set-up (DETECTOR_WINE32_DIR, default /var/cache/detector-wine32), with a stand-in
#     /tmp bound into its root as an older set-up left it: after the set-up and a wrapper call
#     the stand-in is whole and nothing is mounted below the root.
set -u
if [ "${1:-}" != --in-namespace ]; then
  [ "$(id -u)" -eq 0 ] || { echo "runs as root (it mounts, in a namespace of its own): run the test command as root"; exit 1; }
  exec unshare --mount --propagation private -- "$0" --in-namespace "$@"
fi
shift
mode=$1 row=${2:-}
setup=$(realpath "$(dirname "$0")/../tools/wine32-setup")
work=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/wine32-setup-test.XXXXXX")")
status=0
fail() { echo "FAIL: $*"; status=1; }

# Mount points below $1 in this namespace's table, decoded, sorted.
mounts_below() {
  local mp
  while read -r _ _ _ _ mp _; do
    printf -v mp '%b' "${mp//\\/\\0}"
    [[ $mp == "$1"/* ]] && echo "$mp"
  done </proc/self/mountinfo | sort
}

cleanup() {
  local mp
  while read -r mp; do
    [ -n "$mp" ] && umount -l "$mp" 2>/dev/null
  done < <(mounts_below "$work" | sort -r)
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

# The host's /tmp stand-in: a file, and (as on a host whose / is shared) a peer group through
# which a mount made below it later appears in the root too.
host_tmp=$work/host-tmp
mkdir -p "$host_tmp/sub"
echo kept >"$host_tmp/file"
mount --bind "$host_tmp" "$host_tmp"
mount --make-shared "$host_tmp"

# The binds an older set-up left in ROOT, in its order.
old_binds() {
  local root=$1
  mkdir -p "$root/proc" "$root/tmp" "$root/etc" "$root/srv/clone"
  mount -t proc proc "$root/proc"
  mount --bind "$host_tmp" "$root/tmp"
  mount --bind "$clone" "$root/srv/clone"
}
clone=$work/clone
mkdir -p "$clone"
echo kept >"$clone/file"

# A mount the host makes below its /tmp later on (after an older set-up bound /tmp into a root,
# it appears there too).
host_mount_later() {
  mount -t tmpfs tmpfs "$host_tmp/sub"
  echo kept >"$host_tmp/sub/file"
}

# Fails unless the command's status is $1 and its output (both streams) is $2.
expect() {
  [ "$code" = "$1" ] || fail "exit status $code, not $1"
  [ "$out" = "$2" ] || fail "output:
$out
expected:
$2"
}

case $mode in
  remove)
    case $row in
      symlink) real=$work/real; ln -s real "$work/link"; given=$work/link ;;
      blank) real="$work/set up"; given=$real ;;
      relative) real=$work/rel/dir; given=rel/dir ;;
      unmarked) real=$work/mine; given=$real ;;
      *) echo "no row $row"; exit 2 ;;
    esac
    if [ "$row" = unmarked ]; then
      mkdir -p "$real/bin" "$real/apt" "$real/root"
      for f in bin/tool apt/notes root/file; do echo mine >"$real/$f"; done
      host_mount_later
      before=$(cd "$real" && find . -printf '%y %p %s\n' | sort)
      out=$(cd "$work" && DETECTOR_WINE32_DIR=$given "$setup" --remove 2>&1)
      code=$?
      expect 1 "wine32-setup: $real is not a folder of this set-up (it holds no $real/made-by-wine32-setup): nothing done. Name a new or empty folder in DETECTOR_WINE32_DIR; if an older set-up made this one, write \"made by tools/wine32-setup\" into that file first."
      after=$(cd "$real" && find . -printf '%y %p %s\n' | sort)
      [ "$after" = "$before" ] || fail "the folder changed:
$after
was:
$before"
      for f in bin/tool apt/notes root/file; do
        [ "$(cat "$real/$f" 2>&1)" = mine ] || fail "$f after --remove: $(cat "$real/$f" 2>&1)"
      done
    else
      old_binds "$real/root"
      echo data >"$real/root/etc/file"
      mkdir -p "$real/bin" "$real/qemu"
      # As one marks a root an older set-up made.
      echo "made by tools/wine32-setup" >"$real/made-by-wine32-setup"
      host_mount_later
      out=$(cd "$work" && DETECTOR_WINE32_DIR=$given "$setup" --remove 2>&1)
      code=$?
      expect 0 "wine32-setup: unmounted $real/root/srv/clone
wine32-setup: unmounted $real/root/tmp/sub
wine32-setup: unmounted $real/root/proc
wine32-setup: unmounted $real/root/tmp
wine32-setup: removed $real"
      [ ! -e "$real" ] || fail "$real is still there"
    fi
    ;;
  share)
    [ "$row" = etc ] || { echo "no row $row"; exit 2; }
    # A set-up's folder, as far as a call looks into it before it binds anything.
    real=$work/set
    mkdir -p "$real/root"
    touch "$real/root/.wine-installed"
    echo "made by tools/wine32-setup" >"$real/made-by-wine32-setup"
    cp "$(dirname "$setup")/wine32-enter" "$real/enter"
    host_mount_later
    out=$(cd "$clone" && DETECTOR_WINE32_SHARE=/etc "$real/enter" wine --version 2>&1)
    code=$?
    expect 126 "wine (32-bit): DETECTOR_WINE32_SHARE: /etc is or lies in one of the root's system folders; not sharing it"
    ;;
  setup)
    real=$(realpath -m "${DETECTOR_WINE32_DIR:-/var/cache/detector-wine32}")
    [ -f "$real/root/.wine-installed" ] || { echo "no set-up in $real: run tools/wine32-setup"; exit 1; }
    mount --bind "$host_tmp" "$real/root/tmp"
    host_mount_later
    out=$(DETECTOR_WINE32_DIR=$real "$setup" 2>&1)
    code=$?
    echo "$out"
    [ "$code" = 0 ] || fail "set-up: exit status $code, not 0"
    first=$(head -n 2 <<<"$out")
    [ "$first" = "wine32-setup: unmounted $real/root/tmp/sub
wine32-setup: unmounted $real/root/tmp" ] || fail "set-up began with: $first"
    version=$(cd "$clone" && DETECTOR_WINE32_SHARE=$clone "$real/bin/wine" --version 2>&1)
    [[ $version == wine-* ]] || fail "wine --version through the wrapper: $version"
    left=$(mounts_below "$real")
    [ -z "$left" ] || fail "mounted below $real after the set-up and a call: $left"
    ;;
  *) echo "no mode $mode"; exit 2 ;;
esac

# The stand-ins are whole: their files, and the host's mount below its /tmp.
[ "$(cat "$host_tmp/file" 2>&1)" = kept ] || fail "host tmp file after $mode: $(cat "$host_tmp/file" 2>&1)"
[ "$(cat "$host_tmp/sub/file" 2>&1)" = kept ] || fail "host tmp mount's file after $mode: $(cat "$host_tmp/sub/file" 2>&1)"
[ "$(cat "$clone/file" 2>&1)" = kept ] || fail "clone file after $mode: $(cat "$clone/file" 2>&1)"
left=$(mounts_below "$work")
[ "$left" = "$host_tmp
$host_tmp/sub" ] || fail "mounts below the test's folder after $mode: $left"
[ "$status" = 0 ] && echo "$mode${row:+ $row}: passed"
exit "$status"
