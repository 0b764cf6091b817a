#!/usr/bin/env python3
"""A throwaway RFC 3161 time stamp server on the loopback address, for the
signing tests: each POSTed request is answered by `openssl ts -reply` with
the given configuration. Prints its port, then serves until killed.

usage: tests/tsa_responder.py <openssl ts configuration>
"""
import http.server
import subprocess
import sys

CONFIG = sys.argv[1]


class Responder(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", CONFIG, "-queryfile", "/dev/stdin",
                                "-out", "/dev/stdout"], input=query, capture_output=True)
        if reply.returncode != 0:
            self.send_error(500, reply.stderr.decode(errors="replace")[:200])
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply.stdout)))
        self.end_headers()
        self.wfile.write(reply.stdout)

    def log_message(self, *arguments):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Responder)
print(server.server_address[1], flush=True)
server.serve_forever()
