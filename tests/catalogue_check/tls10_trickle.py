#!/usr/bin/env python3
"""A TLS front for the --links test: passes every connection on to nginx, but one whose
ClientHello offers at most TLS 1.0 gets the server's bytes one every half second, so that its
handshake never ends within a bound while each read gets a byte; or, with "late", each of the
server's answers whole a fifth of a second late, so that the client waits for every one.
  tls10_trickle.py LISTEN_HOST LISTEN_PORT NGINX_HOST NGINX_PORT [late]   (runs until killed)"""
import socket
import sys
import threading
import time

HOLD_SECONDS = 120  # no connection outlives this


def pipe(source, sink, pause, size):
    try:
        while True:
            data = source.recv(size)
            if not data:
                break
            time.sleep(pause)
            sink.sendall(data)
    except OSError:
        pass
    for end in (source, sink):
        try:
            end.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def serve(client, upstream, late):
    with client:
        client.settimeout(HOLD_SECONDS)
        try:
            hello = client.recv(11, socket.MSG_PEEK | socket.MSG_WAITALL)
            server = socket.create_connection(upstream, timeout=HOLD_SECONDS)
        except OSError:
            return
        # A handshake record (22) whose ClientHello's version is TLS 1.0 (3.1).
        old = len(hello) == 11 and hello[0] == 22 and hello[9:11] == b"\x03\x01"
        with server:
            slow = (0.2, 65536) if late else (0.5, 1)
            back = threading.Thread(target=pipe, args=(server, client) + (slow if old else (0, 65536)),
                                    daemon=True)
            back.start()
            pipe(client, server, 0, 65536)
            back.join(HOLD_SECONDS)


def main():
    host, port, upstream_host, upstream_port = sys.argv[1:5]
    late = sys.argv[5:6] == ["late"]
    listener = socket.create_server((host, int(port)))
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, (upstream_host, int(upstream_port)), late),
                         daemon=True).start()


if __name__ == "__main__":
    main()
