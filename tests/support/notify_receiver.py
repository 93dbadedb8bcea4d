#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A webhook and ntfy receiver for the tests, on 127.0.0.1: prints "PORT n",
# then each request as one JSON line. POST /_mode with "ok", "fail" (503) or
# "hang" (no answer until the mode changes) sets how it answers.
import http.server
import json
import sys
import threading

state = {"mode": "ok"}
changed = threading.Condition()
HANG_LIMIT = 120  # seconds: a hung request is answered at the latest then


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status):
        self.send_response(status)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        if self.path == "/_mode":
            with changed:
                state["mode"] = body.decode()
                changed.notify_all()
            self.answer(200)
            return
        with changed:
            mode = state["mode"]
        record = {"path": self.path, "mode": mode, "headers": dict(self.headers.items()),
                  "body": body.decode("utf-8", "replace")}
        print(json.dumps(record), flush=True)
        if mode == "hang":
            with changed:
                changed.wait_for(lambda: state["mode"] != "hang", HANG_LIMIT)
                mode = state["mode"]
        self.answer(503 if mode == "fail" else 200)


server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
server.daemon_threads = True
print("PORT %d" % server.server_address[1], flush=True)
server.serve_forever()
