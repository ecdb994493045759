"""Loopback servers for the update dialog's tests.

    loopback_server.py http|ftp|silent FOLDER

Serves FOLDER on 127.0.0.1 at a free port and prints the port on the first
line. "silent" accepts connections and never answers. Every server stops by
itself when its standard input closes or after 120 seconds.
"""
import os
import socket
import sys
import threading
import time


def stop_when_orphaned(limit=120):
    def watch():
        sys.stdin.read()
        os._exit(0)
    threading.Thread(target=watch, daemon=True).start()
    threading.Timer(limit, lambda: os._exit(0)).start()


def serve_http(folder):
    import functools
    import http.server

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


def serve_ftp(folder):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer
    import logging
    logging.disable(logging.CRITICAL)
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(folder)
    handler = FTPHandler
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.address[1], flush=True)
    server.serve_forever()


def serve_silent():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print(listener.getsockname()[1], flush=True)
    held = []
    while True:
        connection, _ = listener.accept()
        held.append(connection)  # kept open, never answered
        time.sleep(0.01)


if __name__ == "__main__":
    stop_when_orphaned()
    mode = sys.argv[1]
    if mode == "http":
        serve_http(sys.argv[2])
    elif mode == "ftp":
        serve_ftp(sys.argv[2])
    else:
        serve_silent()
