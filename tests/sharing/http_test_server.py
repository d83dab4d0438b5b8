#!/usr/bin/env python3
"""A small HTTP server for the sharing tests (standard library only).

Usage: http_test_server.py LOG_DIR

Listens on 127.0.0.1 on a free port and prints "PORT <n> FULL <m>" on its
first line: <m> is a second port whose queue of connections is kept full, so
connecting to it never completes.
Every request is recorded before it is answered, as LOG_DIR/<n>.json (n counts
from 1) with the method, the path, the headers in arrival order and the raw
body (base64); a multipart/form-data body is also parsed with the standard
email package and its parts recorded (name, filename, payload in base64).

Answers, by path (the query is ignored):
  /ok                 200, body "ok <method> <body length>"
  /status/<code>      <code>, body "error body <code>"
  /redirect/<n>       302 to the relative "/redirect/<n-1>"; /redirect/0 is /ok
  /redirect-abs/<n>   the same with an absolute Location
  /redirect-to?u=URL  302 to URL as given
  /loop               302 to /loop, for ever
  /slow-body          200, the body "first half|second half" in two pieces,
                      0.3 s apart
  /slow-read          reads the request body slowly, then answers as /ok
  /big/<n>            200 with <n> bytes of body (pattern "0123456789")
  /drop               closes the connection without an answer
  /garbled            answers one line that is not a status line, then closes
  /silent             takes the request and never answers (holds the
                      connection for at most a minute)
  /stall-body         200 announcing 1000 bytes, sends 10 of them, then
                      stalls (at most a minute)
  /endless-header     a status line, then one header line that never ends
                      (until the client goes away, or a minute)
"""

import base64
import email.parser
import email.policy
import json
import os
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

LOG_DIR = None
HOLD_SECONDS = 60  # the longest a misbehaving answer holds its connection
COUNTER = 0
COUNTER_LOCK = threading.Lock()


def parse_multipart(content_type, body):
    """The parts of a multipart body as an independent parser sees them."""
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
        b"Content-Type: " + content_type.encode("latin-1") + b"\r\n\r\n" + body)
    if not message.is_multipart():
        return None
    parts = []
    for part in message.iter_parts():
        payload = part.get_payload(decode=True) or b""
        parts.append({
            "name": part.get_param("name", header="content-disposition"),
            "filename": part.get_param("filename", header="content-disposition"),
            "data": base64.b64encode(payload).decode("ascii"),
        })
    return parts


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):  # keep the test output quiet
        pass

    def read_body(self, slowly=False):
        length = int(self.headers.get("Content-Length") or 0)
        chunks = []
        remaining = length
        while remaining > 0:
            chunk = self.rfile.read(min(remaining, 16384 if slowly else 1 << 20))
            if not chunk:
                break
            chunks.append(chunk)
            remaining -= len(chunk)
            if slowly:
                time.sleep(0.02)
        return b"".join(chunks)

    def record(self, body):
        global COUNTER
        with COUNTER_LOCK:
            COUNTER += 1
            number = COUNTER
        entry = {
            "method": self.command,
            "path": self.path,
            "headers": [[k, v] for k, v in self.headers.raw_items()],
            "body": base64.b64encode(body).decode("ascii"),
        }
        content_type = self.headers.get("Content-Type") or ""
        if content_type.lower().startswith("multipart/"):
            try:
                entry["parts"] = parse_multipart(content_type, body)
            except Exception as error:  # recorded, the test decides
                entry["parts_error"] = str(error)
        temporary = os.path.join(LOG_DIR, "%d.tmp" % number)
        with open(temporary, "w") as out:
            json.dump(entry, out)
        os.replace(temporary, os.path.join(LOG_DIR, "%d.json" % number))

    def answer(self, code, body, extra_headers=()):
        self.send_response(code)
        for key, value in extra_headers:
            self.send_header(key, value)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, location):
        self.answer(302, b"moved", [("Location", location)])

    def handle_any(self):
        path = urlsplit(self.path).path
        body = self.read_body(slowly=(path == "/slow-read"))
        self.record(body)
        parts = [p for p in path.split("/") if p]
        head = parts[0] if parts else ""

        if path in ("/ok", "/slow-read"):
            self.answer(200, ("ok %s %d" % (self.command, len(body))).encode("ascii"))
        elif head == "status" and len(parts) == 2:
            code = int(parts[1])
            self.answer(code, ("error body %d" % code).encode("ascii"))
        elif head in ("redirect", "redirect-abs") and len(parts) == 2:
            left = int(parts[1])
            target = "/ok" if left <= 0 else "/%s/%d" % (head, left - 1)
            if head == "redirect-abs":
                target = "http://127.0.0.1:%d%s" % (self.server.server_port, target)
            self.redirect(target)
        elif path == "/redirect-to":
            target = parse_qs(urlsplit(self.path).query).get("u", ["/ok"])[0]
            self.redirect(target)
        elif path == "/loop":
            self.redirect("/loop")
        elif path == "/slow-body":
            first, second = b"first half|", b"second half"
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(first) + len(second)))
            self.end_headers()
            self.wfile.write(first)
            self.wfile.flush()
            time.sleep(0.3)
            self.wfile.write(second)
        elif head == "big" and len(parts) == 2:
            size = int(parts[1])
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(size))
            self.end_headers()
            block = b"0123456789" * 6554  # 65540 bytes
            sent = 0
            try:
                while sent < size:
                    piece = block[: min(len(block), size - sent)]
                    self.wfile.write(piece)
                    sent += len(piece)
            except (BrokenPipeError, ConnectionResetError):
                pass
        elif path == "/drop":
            self.close_connection = True
            self.connection.shutdown(2)
        elif path == "/garbled":
            self.close_connection = True
            self.wfile.write(b"garbage\r\n")
            self.wfile.flush()
            self.connection.shutdown(2)
        elif path == "/silent":
            self.close_connection = True
            time.sleep(HOLD_SECONDS)
        elif path == "/stall-body":
            self.close_connection = True
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"0123456789")
            self.wfile.flush()
            time.sleep(HOLD_SECONDS)
        elif path == "/endless-header":
            self.close_connection = True
            self.wfile.write(b"HTTP/1.1 200 OK\r\nX-Endless: ")
            block = b"a" * 65536
            deadline = time.monotonic() + HOLD_SECONDS
            while time.monotonic() < deadline:  # ends with BrokenPipeError
                self.wfile.write(block)
        else:
            self.answer(404, b"no such path")

    def do_GET(self):
        self.handle_any()

    def do_POST(self):
        self.handle_any()

    def handle(self):
        try:
            super().handle()
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass


def full_listener():
    """A listening socket that never accepts, its queue filled: the kernel
    drops further connection attempts, so a client's connect never ends."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    port = listener.getsockname()[1]
    fillers = []
    for _ in range(4):
        filler = socket.socket()
        filler.setblocking(False)
        filler.connect_ex(("127.0.0.1", port))
        fillers.append(filler)
    time.sleep(0.2)
    return listener, fillers


def main():
    global LOG_DIR
    LOG_DIR = sys.argv[1]
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    full = full_listener()
    print("PORT %d FULL %d" % (server.server_port, full[0].getsockname()[1]), flush=True)
    # Ends with the test: stdin is closed when the test process goes away.
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
