#!/usr/bin/python3
"""Loopback HTTP and HTTPS servers over FOLDER/www for the VM pack tests.

The system picks both ports; they are written to FOLDER/http.port and FOLDER/https.port
once the servers listen, with FOLDER/closed.port naming a port that nothing listens on.
The HTTPS server uses a fresh self-signed certificate. /cut/N answers with a body cut short.
"""
import functools
import http.server
import os
import socket
import ssl
import subprocess
import sys
import threading

folder = sys.argv[1]
www = os.path.join(folder, "www")
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=www)


class QuietHandler(handler.func):
    def log_message(self, *args):
        pass

    def do_GET(self):
        # /cut/N: announces N bytes, sends half of them and closes the connection.
        if self.path.startswith("/cut/"):
            length = int(self.path[5:])
            self.send_response(200)
            self.send_header("Content-Length", str(length))
            self.end_headers()
            self.wfile.write(b"c" * (length // 2))
            self.wfile.flush()
            self.close_connection = True
            return
        super().do_GET()


def write_atomically(name, text):
    path = os.path.join(folder, name)
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def serve(server):
    threading.Thread(target=server.serve_forever, daemon=True).start()


quiet = functools.partial(QuietHandler, directory=www)
plain = http.server.ThreadingHTTPServer(("127.0.0.1", 0), quiet)
serve(plain)

key = os.path.join(folder, "selfsigned.key")
cert = os.path.join(folder, "selfsigned.crt")
subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                "-keyout", key, "-out", cert], check=True, capture_output=True)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), quiet)
secure.socket = context.wrap_socket(secure.socket, server_side=True)
serve(secure)

probe = socket.socket()
probe.bind(("127.0.0.1", 0))
closed_port = probe.getsockname()[1]
probe.close()

write_atomically("closed.port", str(closed_port))
write_atomically("https.port", str(secure.server_address[1]))
write_atomically("http.port", str(plain.server_address[1]))
threading.Event().wait()
