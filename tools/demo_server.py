#!/usr/bin/env python3
"""A small web server for demonstrations and manual tests of the installer.

It serves interface packages and product files from a folder and records the
installer's statistics pixel requests in plain text.

    tools/demo_server.py --root FOLDER [--port N] [--log FILE] [--port-file FILE]

    --root FOLDER     files are served from here: GET /a/b.7z sends FOLDER/a/b.7z
    --port N          port on 127.0.0.1 (default 0: a free port, printed at start)
    --log FILE        statistics events are appended here as well as printed
                      (default: demo-stats.log in the current folder)
    --port-file FILE  the port is written here once the server listens
    --quiet           no access log on standard error

Every request whose path ends with /stats.gif is a statistics event. It is
answered with a 1 x 1 GIF and written as one line to standard output and to
the log file: the event's query as the installer built it. Outside debug mode
the installer sends the query packed as "v=2&data=<Base64>", with "+", "/"
and "=" of the Base64 text written as %2B, %2F and %3D; the server restores
those, decodes the Base64 and writes the decoded query, so an operator reads
every event in plain text. In debug mode the query arrives readable and is
written as it came.

Example, with the demo brand's addresses (port 18765):

    tools/make-package.sh my-page /tmp/site/compressed_assets/demo/index.7z
    tools/demo_server.py --root /tmp/site --port 18765
    # in another terminal: run the installer; each event shows up as a line like
    # event=100&brand=KestrelmoorDemo&event_type=installer_init&os=...

The server binds 127.0.0.1 only, follows no links out of FOLDER and stops with
Ctrl+C.
"""

import argparse
import base64
import binascii
import http.server
import os
import posixpath
import shutil
import sys
import threading
import urllib.parse

# The smallest transparent GIF.
PIXEL = bytes.fromhex("47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b")


def decode_stats_query(query):
    """The plain text of a statistics query (packed or readable)."""
    params = query.split("&")
    if params and params[0] == "v=2" and len(params) == 2 and params[1].startswith("data="):
        packed = params[1][len("data="):]
        for escaped, char in (("%2B", "+"), ("%2F", "/"), ("%3D", "=")):
            packed = packed.replace(escaped, char).replace(escaped.lower(), char)
        try:
            raw = base64.b64decode(packed, validate=True)
        except (binascii.Error, ValueError):
            return "undecodable: " + query
        return raw.decode("utf-8", errors="replace")
    return query


class EventLog:
    def __init__(self, path, out=sys.stdout):
        self.path = path
        self.out = out
        self.lock = threading.Lock()

    def write(self, line):
        with self.lock:
            self.out.write(line + "\n")
            self.out.flush()
            with open(self.path, "a", encoding="utf-8") as f:
                f.write(line + "\n")


def make_handler(root, events, quiet):
    root = os.path.realpath(root)

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        server_version = "DemoServer/1"

        def log_message(self, fmt, *args):
            if not quiet:
                super().log_message(fmt, *args)

        def send_body(self, status, body, content_type):
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            if self.command != "HEAD":
                self.wfile.write(body)

        def do_HEAD(self):
            self.do_GET()

        def do_GET(self):
            path, _, query = self.path.partition("?")
            if path.endswith("/stats.gif"):
                events.write(decode_stats_query(query))
                self.send_body(200, PIXEL, "image/gif")
                return
            file_path = self.local_path(path)
            if not file_path or not os.path.isfile(file_path):
                self.send_body(404, b"not found\n", "text/plain")
                return
            size = os.path.getsize(file_path)
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(size))
            self.end_headers()
            if self.command != "HEAD":
                with open(file_path, "rb") as f:
                    shutil.copyfileobj(f, self.wfile, 256 * 1024)

        def local_path(self, url_path):
            """The file below root that url_path names, or None."""
            parts = [p for p in posixpath.normpath(urllib.parse.unquote(url_path)).split("/") if p]
            if any(p in (".", "..") for p in parts):
                return None
            candidate = os.path.realpath(os.path.join(root, *parts))
            if candidate != root and not candidate.startswith(root + os.sep):
                return None  # a link that leads out of the folder
            return candidate

    return Handler


def main(argv):
    parser = argparse.ArgumentParser(description="Serves packages and records statistics events.")
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--log", default="demo-stats.log")
    parser.add_argument("--port-file")
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args(argv)
    if not os.path.isdir(args.root):
        print("demo_server: %s is not a folder" % args.root, file=sys.stderr)
        return 2

    events = EventLog(args.log)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(args.root, events, args.quiet))
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)  # present means ready
    print("demo_server: serving %s at http://127.0.0.1:%d/, events to %s" % (args.root, port, args.log),
          file=sys.stderr)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
