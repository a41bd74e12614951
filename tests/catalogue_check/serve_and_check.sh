#!/usr/bin/env bash
# Inside a fresh network namespace: serves SAMPLE with SERVER (nginx, apache, lighttpd, python)
# and SETTING on 127.0.0.1:80, runs CHECK --server 127.0.0.1, ends the server. Exits with the
# checker's status (3 when the server did not start).
set -u
ip link set lo up
root=$DIR/root
mkdir -p "$root/english/product/PublicDriver" "$DIR/logs"
cp "$SAMPLE" "$root/english/product/PublicDriver/PID.ini"
chmod -R a+rX "$DIR"
chmod 777 "$DIR/logs"
extra=""
[ "$SETTING" = "as installed" ] || extra=$SETTING

case $SERVER in
  nginx)
    "$(dirname "$0")/../../tools/nginx-catalogue" "$DIR/nginx" "$SAMPLE"
    command=(nginx -p "$DIR/nginx" -c "$DIR/nginx/nginx.conf") ;;
  apache)
    cat >"$DIR/apache2.conf" <<CONF
LoadModule mpm_event_module /usr/lib/apache2/modules/mod_mpm_event.so
LoadModule authz_core_module /usr/lib/apache2/modules/mod_authz_core.so
ServerRoot $DIR
Listen 127.0.0.1:80
ServerName 127.0.0.1
PidFile $DIR/apache2.pid
DefaultRuntimeDir $DIR
Mutex file:$DIR default
ErrorLog $DIR/logs/error.log
User www-data
Group www-data
DocumentRoot $root
$extra
CONF
    command=(apache2 -DFOREGROUND -f "$DIR/apache2.conf") ;;
  lighttpd)
    cat >"$DIR/lighttpd.conf" <<CONF
server.document-root = "$root"
server.bind = "127.0.0.1"
server.port = 80
server.errorlog = "$DIR/logs/error.log"
server.username = "www-data"
server.groupname = "www-data"
$extra
CONF
    command=(lighttpd -D -f "$DIR/lighttpd.conf") ;;
  python)
    command=("$PYTHON" -m http.server 80 --bind 127.0.0.1 --directory "$root") ;;
  *) echo "unknown server $SERVER" >&2; exit 3 ;;
esac

"${command[@]}" </dev/null >"$DIR/logs/server.out" 2>&1 &
pid=$!
answers() { timeout 1 bash -c 'exec 3<>/dev/tcp/127.0.0.1/80' 2>/dev/null; }
for _ in $(seq 50); do answers && break; sleep 0.1; done
if ! answers; then
  echo "$SERVER did not answer on 127.0.0.1:80" >&2
  tail -n 5 "$DIR/logs/"* >&2
  kill "$pid" 2>/dev/null
  exit 3
fi
"$CHECK" --server 127.0.0.1
result=$?
kill "$pid" 2>/dev/null
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $result
