#!/usr/bin/env bash
# tools/wine32-setup must not reach the host through its root. Run as root, in a private mount
# namespace of the test's own (nothing it mounts is seen outside, and all of it goes at the end).
#   wine32_setup_test.sh remove symlink|blank|relative
#     a root an older set-up left with its binds up (a stand-in for the host's /tmp, shared,
#     with a mount made below it afterwards; proc; a stand-in clone, as one at /srv/clone), given
#     through a symlink, by a path holding a blank, or by a relative path: --remove deletes it
#     and leaves the stand-ins and their mount whole.
#   wine32_setup_test.sh setup
#     the real set-up (DETECTOR_WINE32_DIR, default /var/cache/detector-wine32), with a stand-in
#     /tmp bound into its root as an older set-up left it: after the set-up and a wrapper call
#     the stand-in is whole and nothing is mounted below the root.
set -u
if [ "${1:-}" != --in-namespace ]; then
  [ "$(id -u)" -eq 0 ] || { echo "needs root (mounts)"; exit 1; }
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

case $mode in
  remove)
    case $row in
      symlink) real=$work/real; ln -s real "$work/link"; given=$work/link ;;
      blank) real="$work/set up"; given=$real ;;
      relative) real=$work/rel/dir; given=rel/dir ;;
      *) echo "no row $row"; exit 2 ;;
    esac
    old_binds "$real/root"
    echo data >"$real/root/etc/file"
    mkdir -p "$real/bin" "$real/qemu"
    # Made after the bind, as a host mount made later: it appears below the root's /tmp.
    mount -t tmpfs tmpfs "$host_tmp/sub"
    echo kept >"$host_tmp/sub/file"
    out=$(cd "$work" && DETECTOR_WINE32_DIR=$given "$setup" --remove 2>&1)
    code=$?
    expected="wine32-setup: unmounted $real/root/srv/clone
wine32-setup: unmounted $real/root/tmp/sub
wine32-setup: unmounted $real/root/proc
wine32-setup: unmounted $real/root/tmp
wine32-setup: removed $real"
    [ "$code" = 0 ] || fail "exit status $code, not 0"
    [ "$out" = "$expected" ] || fail "output:
$out
expected:
$expected"
    [ ! -e "$real" ] || fail "$real is still there"
    ;;
  setup)
    real=$(realpath -m "${DETECTOR_WINE32_DIR:-/var/cache/detector-wine32}")
    [ -f "$real/root/.wine-installed" ] || { echo "no set-up in $real: run tools/wine32-setup"; exit 1; }
    mount --bind "$host_tmp" "$real/root/tmp"
    mount -t tmpfs tmpfs "$host_tmp/sub"
    echo kept >"$host_tmp/sub/file"
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
