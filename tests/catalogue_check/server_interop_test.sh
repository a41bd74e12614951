#!/usr/bin/env bash
# catalogue-check --server against the web servers Debian ships, each serving the sample
# catalogue on 127.0.0.1:80 in a network namespace of its own, with the setting the table of
# docs/MAINTAINERS.md gives. The expected verdict is the table's. Skipped (77) without namespaces or servers.
#   server_interop_test.sh CATALOGUE_CHECK SAMPLE_PID_INI
set -u
check=$1 sample=$2
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3)
for program in nginx apache2 lighttpd "$python"; do
  command -v "$program" >/dev/null || { echo "$program not installed"; exit 77; }
done
unshare -n true 2>/dev/null || { echo "no network namespace"; exit 77; }

# server | setting | exit status | what the reply begins with
rows=(
  "nginx|as installed|0|profile"
  "apache|as installed|2|HTTP status line"
  "apache|HttpProtocolOptions Unsafe Allow0.9|0|profile"
  "lighttpd|as installed|2|nothing"
  "python|as installed|2|nothing"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # the servers' unprivileged workers read the files below it

status=0
for row in "${rows[@]}"; do
  IFS='|' read -r server setting want_status want_start <<<"$row"
  dir=$work/$server-${#setting}
  mkdir -p "$dir"
  CHECK=$check SAMPLE=$sample SERVER=$server SETTING=$setting DIR=$dir PYTHON=$python \
    timeout 120 unshare -n bash "$here/serve_and_check.sh" >"$dir/out" 2>"$dir/err"
  got_status=$?
  got_start=$(sed -n 's/^  the reply begins with: //p' "$dir/out")
  if [ "$got_status" = "$want_status" ] && [ "$got_start" = "$want_start" ]; then
    echo "ok: $server ($setting): exit $got_status, reply begins with $got_start"
  else
    echo "FAIL: $server ($setting): exit $got_status (want $want_status), reply begins with" \
         "'$got_start' (want '$want_start')"
    sed 's/^/  | /' "$dir/out" "$dir/err" | tail -n 20
    status=1
  fi
done
exit $status
