#!/usr/bin/env python3
"""A web proxy for the --links test: answers every CONNECT, whatever host it names, with a tunnel
to one server, so that an address reaches that server only through the proxy; anything else gets
405.
  connect_proxy.py LISTEN_HOST LISTEN_PORT SERVER_HOST SERVER_PORT   (runs until killed)"""
import socket
import sys
import threading

sys.dont_write_bytecode = True  # importing its neighbour leaves the source folder as it was
from tls10_trickle import pipe  # noqa: E402

HOLD_SECONDS = 120  # no connection outlives this
HEAD_BYTES = 8192  # a request head longer than this is refused


def serve(client, server_address):
    with client:
        client.settimeout(HOLD_SECONDS)
        head = b""
        try:
            while b"\r\n\r\n" not in head and len(head) < HEAD_BYTES:
                data = client.recv(HEAD_BYTES)
                if not data:
                    return
                head += data
            if not head.startswith(b"CONNECT ") or b"\r\n\r\n" not in head:
                client.sendall(b"HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n")
                return
            server = socket.create_connection(server_address, timeout=HOLD_SECONDS)
        except OSError:
            return
        with server:
            try:
                client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
                # What came after the head is the tunnel's first bytes.
                server.sendall(head.split(b"\r\n\r\n", 1)[1])
            except OSError:
                return
            back = threading.Thread(target=pipe, args=(server, client, 0, 65536), daemon=True)
            back.start()
            pipe(client, server, 0, 65536)
            back.join(HOLD_SECONDS)


def main():
    host, port, server_host, server_port = sys.argv[1:5]
    listener = socket.create_server((host, int(port)))
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, (server_host, int(server_port))),
                         daemon=True).start()


if __name__ == "__main__":
    main()
