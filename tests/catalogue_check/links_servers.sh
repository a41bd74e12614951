#!/usr/bin/env bash
# The servers of the --links test, all one nginx on loopback addresses 127.26.x.y, with
# certificates made here: a test authority (WORK/ca.pem) and a self-signed one; in front of one
# of them, tls10_trickle.py twice (trickling, late); a web proxy, connect_proxy.py on
# 127.26.0.5:3128, whose every tunnel leads to 127.26.0.4:8443 (nothing listens on 127.26.0.6).
# Where 198.51.100.1 and 2001:db8::1 are on this machine (the test's own network namespace gives
# them to lo), nginx serves there too, as public addresses.
#   links_servers.sh start WORK   makes WORK's files, starts nginx, waits until every address
#                                 answers; exits non-zero when nginx cannot start
#   links_servers.sh stop WORK    ends that nginx
set -eu
work=$2
here=$(cd "$(dirname "$0")" && pwd)
listens=(127.26.0.1:8026 127.26.0.3:8026 127.26.0.2:8443 127.26.0.3:8443 127.26.0.4:8443
         "[::1]:8443" 127.26.0.4:8444 127.26.0.4:8445 127.26.0.5:3128)
for n in $(seq 1 10); do listens+=("127.26.1.$n:8026"); done
public=""
if ip -o address show dev lo 2>/dev/null | grep -q ' 198\.51\.100\.1/'; then
  public="server { listen 198.51.100.1:8026; root $work/root;
    location / { return 302 http://127.26.0.1:8026/d.exe; }
    location = /stays { return 302 /public.exe; }
    location = /public.exe { try_files /d.exe =404; } }"
  listens+=(198.51.100.1:8026)
fi
if ip -o address show dev lo 2>/dev/null | grep -q ' 2001:db8::1/'; then
  public+=" server { listen [2001:db8::1]:8026; location / { return 302 http://127.26.0.1:8026/d.exe; } }"
  listens+=("[2001:db8::1]:8026")
fi

answers() {
  local host=${1%:*}
  host=${host#[}
  timeout 1 bash -c "exec 3<>/dev/tcp/${host%]}/${1##*:}" 2>/dev/null
}

# Ends the process whose pid WORK/NAME.pid holds, if it is still that program.
end() {
  local pid
  pid=$(cat "$work/$1.pid" 2>/dev/null) || return 0
  grep -q "$2" "/proc/$pid/cmdline" 2>/dev/null || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
}

stop() {
  end trickle tls10_trickle
  end late tls10_trickle
  end proxy connect_proxy
  end nginx nginx
}

certificates() {
  cd "$work"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
    -subj /CN=links-test-authority
  for n in 3 4; do
    openssl req -newkey rsa:2048 -nodes -keyout s$n.key -out s$n.csr -subj /CN=127.26.0.$n
    # 4 also stands for the names the proxy's tunnels lead to it from.
    tunnelled=""
    [ "$n" = 4 ] && tunnelled=",IP:127.26.0.6,DNS:proxied.test"
    printf 'subjectAltName=IP:127.26.0.%s,IP:::1%s\n' $n "$tunnelled" >s$n.ext
    openssl x509 -req -in s$n.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out s$n.pem -days 2 \
      -extfile s$n.ext
  done
  openssl req -x509 -newkey rsa:2048 -nodes -keyout s2.key -out s2.pem -days 2 \
    -subj /CN=127.26.0.2 -addext subjectAltName=IP:127.26.0.2
}

start() {
  command -v nginx >/dev/null || { echo "nginx not installed" >&2; return 1; }
  command -v openssl >/dev/null || { echo "openssl not installed" >&2; return 1; }
  mkdir -p "$work/root" "$work/tmp" "$work/logs"
  certificates >"$work/logs/openssl.out" 2>&1 || { echo "openssl failed" >&2; return 1; }
  local root=$work/root
  { printf 'MZ'; head -c 9998 /dev/zero; } >"$root/d.exe"
  { printf 'PK\003\004'; head -c 2996 /dev/zero; } >"$root/d.zip"
  { printf 'Rar!\032\007\001\000'; head -c 992 /dev/zero; } >"$root/d.rar"  # RAR 5
  printf '\357\273\277 \r\n<!DOCTYPE html><html><body>No such driver</body></html>\n' >"$root/page.exe"
  chmod -R a+rX "$work"
  local many="" hops="" n
  for n in $(seq 1 10); do many+="listen 127.26.1.$n:8026; "; done
  # /r11 redirects 11 times, /r10 10 times
  for n in $(seq 2 11); do hops+="location = /r$n { return 302 /r$((n - 1)); } "; done
  cat >"$work/nginx.conf" <<CONF
daemon off;
master_process off;
pid $work/nginx.pid;
error_log $work/logs/error.log;
worker_rlimit_nofile 4096;
events { worker_connections 1024; }
http {
  access_log $work/logs/access.log;
  default_type application/octet-stream;
  client_body_temp_path $work/tmp;
  proxy_temp_path $work/tmp;
  fastcgi_temp_path $work/tmp;
  uwsgi_temp_path $work/tmp;
  scgi_temp_path $work/tmp;
  limit_req_zone \$binary_remote_addr zone=busy:1m rate=12r/m;
  limit_conn_zone \$binary_remote_addr zone=open:1m;
  server {
    listen 127.26.0.1:8026; $many
    root $root;
    location = /old { return 301 /older; }
    location = /older { return 308 /d.exe; }
    location = /loop-a { return 302 /loop-b; }
    location = /loop-b { return 302 /loop-a; }
    location = /nohead.exe { if (\$request_method = HEAD) { return 405; } try_files /d.exe =404; }
    location = /head400.exe { if (\$request_method = HEAD) { return 400; } try_files /d.exe =404; }
    location = /head403.exe { if (\$request_method = HEAD) { return 403; } try_files /d.exe =404; }
    location = /head-closed.exe { if (\$request_method = HEAD) { return 444; } try_files /d.exe =404; }
    # 127.26.0.9:8026 is the test's socket that never answers.
    location = /head-silent.exe {
      if (\$request_method = HEAD) { proxy_pass http://127.26.0.9:8026; }
      try_files /d.exe =404;
    }
    location = /head-later.exe {
      if (\$request_method = HEAD) { add_header Retry-After 10000000000 always; return 503; }
      try_files /d.exe =404;
    }
    location = /via-public { return 302 http://198.51.100.1:8026/back; }
    location = /for-now { return 307 /d.exe; }
    location = /for-now-then-old { return 302 /old; }
    location = /gone { return 301 /none.exe; }
    location = /unavailable.exe { return 503; }
    location = /later.exe { add_header Retry-After 10000000000 always; return 503; }
    location = /r1 { return 302 /d.exe; }
    $hops
    # The HEAD passes; the GET after it, within 5 s however loaded the machine, is over the rate;
    # the retry 6 s later is not.
    location = /busy.exe {
      limit_req zone=busy; limit_req_status 429; add_header Retry-After 6 always;
      try_files /d.exe =404;
    }
    location = /slow.exe { limit_rate_after 1k; limit_rate 10; try_files /d.exe =404; }
    location /many/ { try_files /d.exe =404; }
    # A third answer at once from one client is refused; each takes about 2 s to send.
    location /two-at-once/ {
      limit_conn open 2; limit_conn_status 503; limit_rate_after 0; limit_rate 2k;
      try_files /d.exe =404;
    }
    # A range of a file whose whole size the server does not know (a generated one).
    location = /size-unknown.exe { add_header Content-Range "bytes 0-1/*" always; return 206 "MZ"; }
    # A part without its range at all, after a HEAD answered whole.
    location = /range-unsaid.exe { if (\$request_method = HEAD) { return 200 "MZ"; } return 206 "MZ"; }
  }
  server { listen 127.26.0.3:8026; location / { return 302 https://127.26.0.3:8443\$request_uri; } }
  $public
  server {
    listen 127.26.0.2:8443 ssl; root $root;
    ssl_certificate $work/s2.pem; ssl_certificate_key $work/s2.key;
  }
  server {
    listen 127.26.0.3:8443 ssl; root $root;
    ssl_certificate $work/s3.pem; ssl_certificate_key $work/s3.key;
    ssl_protocols TLSv1.2;
  }
  server {
    listen 127.26.0.4:8443 ssl; listen [::1]:8443 ssl; root $root;
    ssl_certificate $work/s4.pem; ssl_certificate_key $work/s4.key;
    # OpenSSL 3 offers TLS 1.0 at security level 0 only.
    ssl_protocols TLSv1 TLSv1.2; ssl_ciphers DEFAULT:@SECLEVEL=0;
  }
}
CONF
  local address
  for address in "${listens[@]}"; do
    if answers "$address"; then echo "something already answers on $address" >&2; return 1; fi
  done
  nginx -p "$work" -c "$work/nginx.conf" </dev/null >>"$work/logs/nginx.out" 2>&1 &
  local pid=$! until=$((SECONDS + 10))
  echo "$pid" >"$work/nginx.pid"
  python3 "$here/tls10_trickle.py" 127.26.0.4 8444 127.26.0.4 8443 </dev/null \
    >>"$work/logs/trickle.out" 2>&1 &
  echo "$!" >"$work/trickle.pid"
  python3 "$here/tls10_trickle.py" 127.26.0.4 8445 127.26.0.4 8443 late </dev/null \
    >>"$work/logs/late.out" 2>&1 &
  echo "$!" >"$work/late.pid"
  python3 "$here/connect_proxy.py" 127.26.0.5 3128 127.26.0.4 8443 </dev/null \
    >>"$work/logs/proxy.out" 2>&1 &
  echo "$!" >"$work/proxy.pid"
  for address in "${listens[@]}"; do
    until answers "$address"; do
      if ! kill -0 "$pid" 2>/dev/null || [ "$SECONDS" -ge "$until" ]; then
        echo "nginx did not answer on $address" >&2
        tail -n 5 "$work/logs/nginx.out" "$work/logs/error.log" >&2 2>/dev/null || true
        stop
        return 1
      fi
      sleep 0.1
    done
  done
}

case $1 in
  start) start ;;
  stop) stop ;;
  *) echo "usage: links_servers.sh start|stop WORK" >&2; exit 2 ;;
esac
