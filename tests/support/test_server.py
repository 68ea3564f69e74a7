#!/usr/bin/env python3
"""Local HTTP and HTTPS server for the tests (python3 standard library only).

Every listener binds 127.0.0.1 on a free port chosen by the system, so test
runs of several build folders never collide. One state folder holds
everything of one server: certificates, the ports file, the pid file, the
request log and the server's own output.

Commands
    start  --state-dir DIR [--root DIR] [--max-seconds N]
           Stops a server left running from the same state folder, starts a
           new one in the background and returns once its ports file exists.
           Used as the ctest fixture set-up (tests/support/TestServer.cmake).
    stop   --state-dir DIR
           Stops the server of that state folder (fixture clean-up).
    serve  --state-dir DIR [--root DIR] [--max-seconds N]
           Runs in the foreground (what `start` runs).
    certs  --state-dir DIR
           Only makes the certificates.

Files in the state folder
    ports.txt     one "name=port" line per listener, written last, so its
                  presence means the server is ready:
                    http              plain HTTP
                    https             certificate for 127.0.0.1 and localhost,
                                      issued by the test CA
                    https_wrong_name  valid, but issued for wrong-name.invalid
                    https_expired     for 127.0.0.1, expired in 2020
                    https_unknown_ca  for 127.0.0.1, issued by a CA nobody trusts
    certs/ca.pem  the test CA the Wine prefix is made to trust (made once per
                  state folder and then reused; the other certificates too)
    requests.log  one line per request: "<listener> <request line>",
                  e.g. "https GET /status/200 HTTP/1.1"
    server.pid, server.out

The server stops by itself after --max-seconds (default 3600), so a run that
never reaches the clean-up leaves nothing behind for long.

Routes (on every listener; <p> is any path)
    /status/<code>            that status with a short body (none for 1xx,
                              204 and 304)
    /bytes/<n>                n bytes of the pattern i % 251, Content-Length n
        ?length=<L>           announce L instead of n (L > n: the connection
                              is closed after n bytes)
        ?nolength=1           no Content-Length; the connection ends the body
        ?drip=<ms>&chunk=<b>  send b bytes (default 10240), then sleep ms
        ?status=<code>        with another status than 200
        ?cacheable=1          without "Cache-Control: no-store", so a client
                              cache may keep it
    /hex/<hex digits>         exactly those bytes (BOM and encoding cases)
    /cookie                   the request's Cookie headers, joined by "; "
    /set-cookie/<name>/<value> sets a session cookie, body "ok"
    /redirect?to=<url>&code=<3xx>
                              redirect to an absolute or relative address
    /redirect-chain/<n>/<p>   n redirects (302, relative) before /<p>
    /redirect-to/<listener>/<p>
                              redirect (302) to /<p> on the named listener
    /headers                  the request's header lines, as received
    /files/<p>                the file <p> below --root (404 when missing)
"""

import argparse
import http.server
import os
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

HOST = "127.0.0.1"
PATTERN_PERIOD = 251
# A block whose length is a multiple of the pattern period, so consecutive
# blocks continue the pattern and big bodies are sent in large writes.
BLOCK = bytes(i % PATTERN_PERIOD for i in range(PATTERN_PERIOD * 4096))
LISTENERS = ("http", "https", "https_wrong_name", "https_expired", "https_unknown_ca")


# ---------------------------------------------------------------- certificates

CA_CONFIG = """\
[ ca ]
default_ca = test_ca
[ test_ca ]
dir = {dir}
database = $dir/index.txt
new_certs_dir = $dir/issued
serial = $dir/serial
default_md = sha256
policy = policy_any
copy_extensions = copy
unique_subject = no
email_in_dn = no
[ policy_any ]
commonName = supplied
[ leaf ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
"""


def openssl(*args, cwd=None):
    subprocess.run(["openssl", *args], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def make_ca(folder, name):
    """A CA in its own folder with the database `openssl ca` needs."""
    os.makedirs(os.path.join(folder, "issued"), exist_ok=True)
    key = os.path.join(folder, "ca.key")
    pem = os.path.join(folder, "ca.pem")
    if not os.path.exists(pem):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
                "-keyout", key, "-out", pem, "-days", "3650", "-subj", "/CN=" + name,
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    for fname, content in (("index.txt", ""), ("serial", "1000\n")):
        path = os.path.join(folder, fname)
        if not os.path.exists(path):
            with open(path, "w") as f:
                f.write(content)
    conf = os.path.join(folder, "ca.cnf")
    with open(conf, "w") as f:
        f.write(CA_CONFIG.format(dir=folder))
    return conf, pem, key


def make_leaf(ca, out_base, common_name, san, dates):
    """Key and certificate `out_base`.key/.pem issued by `ca`."""
    conf, ca_pem, ca_key = ca
    key, pem, csr = out_base + ".key", out_base + ".pem", out_base + ".csr"
    if os.path.exists(pem) and os.path.exists(key):
        return
    openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-sha256",
            "-keyout", key, "-out", csr, "-subj", "/CN=" + common_name,
            "-addext", "subjectAltName=" + san)
    openssl("ca", "-batch", "-notext", "-config", conf, "-extensions", "leaf",
            "-cert", ca_pem, "-keyfile", ca_key, "-in", csr, "-out", pem, *dates)
    os.remove(csr)


def make_certs(state_dir):
    certs = os.path.join(state_dir, "certs")
    trusted = make_ca(certs, "WebInstaller Test CA")
    untrusted = make_ca(os.path.join(certs, "untrusted"), "WebInstaller Untrusted Test CA")
    # The DNS entry holding the address text: Wine matches host names only
    # against DNS entries, Windows and OpenSSL use the IP entry.
    local_san = "IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost"
    valid = ["-days", "825"]
    make_leaf(trusted, os.path.join(certs, "good"), "127.0.0.1", local_san, valid)
    make_leaf(trusted, os.path.join(certs, "wrong_name"), "wrong-name.invalid",
              "DNS:wrong-name.invalid", valid)
    make_leaf(trusted, os.path.join(certs, "expired"), "127.0.0.1", local_san,
              ["-startdate", "20200101000000Z", "-enddate", "20200201000000Z"])
    make_leaf(untrusted, os.path.join(certs, "unknown_ca"), "127.0.0.1", local_san, valid)
    return certs


# ---------------------------------------------------------------- HTTP

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "WebInstallerTestServer/1"
    timeout = 60  # an idle or stuck client never holds a thread for long

    def log_message(self, fmt, *args):  # quiet: the request log is ours
        pass

    def log_request(self, code="-", size="-"):
        pass

    # ---- plumbing

    def setup(self):
        super().setup()

    def handle_one_request(self):
        try:
            super().handle_one_request()
        except (ConnectionError, ssl.SSLError, socket.timeout):
            self.close_connection = True

    def parse_request(self):
        ok = super().parse_request()
        if self.requestline:
            self.server.record(self.requestline)
        return ok

    def send_body(self, status, body, content_type="application/octet-stream",
                  extra_headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in extra_headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def listener_url(self, listener, path):
        port = self.server.ports[listener]
        scheme = "http" if listener == "http" else "https"
        return "%s://%s:%d/%s" % (scheme, HOST, port, path.lstrip("/"))

    # ---- routes

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        parts = url.path.split("/")[1:]
        route = parts[0] if parts else ""
        try:
            if route == "status" and len(parts) == 2:
                code = int(parts[1])
                if code < 200 or code in (204, 304):  # statuses that never carry a body
                    self.send_response(code)
                    self.end_headers()
                else:
                    self.send_body(code, b"status %d" % code, "text/plain")
            elif route == "bytes" and len(parts) == 2:
                self.route_bytes(int(parts[1]), query)
            elif route == "hex" and len(parts) == 2:
                self.send_body(200, bytes.fromhex(parts[1]))
            elif route == "cookie":
                cookies = self.headers.get_all("Cookie") or []
                self.send_body(200, "; ".join(cookies).encode("utf-8"), "text/plain")
            elif route == "set-cookie" and len(parts) == 3:
                self.send_body(200, b"ok", "text/plain",
                               [("Set-Cookie", "%s=%s; Path=/" % (parts[1], parts[2]))])
            elif route == "redirect":
                self.redirect(int(query.get("code", "302")), query.get("to", "/"))
            elif route == "redirect-chain" and len(parts) >= 2:
                hops = int(parts[1])
                rest = "/".join(parts[2:])
                self.redirect(302, "/redirect-chain/%d/%s" % (hops - 1, rest) if hops > 1 else "/" + rest)
            elif route == "redirect-to" and len(parts) >= 2 and parts[1] in self.server.ports:
                target = "/".join(parts[2:])
                if url.query:
                    target += "?" + url.query
                self.redirect(302, self.listener_url(parts[1], target))
            elif route == "headers":
                self.send_body(200, str(self.headers).encode("utf-8"), "text/plain")
            elif route == "files":
                self.route_file("/".join(parts[1:]))
            else:
                self.send_body(404, b"not found", "text/plain")
        except (ValueError, KeyError):
            self.send_body(400, b"bad request", "text/plain")

    do_HEAD = do_GET

    def redirect(self, code, location):
        self.send_body(code, b"moved", "text/plain", [("Location", location)])

    def route_file(self, relative):
        root = self.server.root
        path = os.path.realpath(os.path.join(root or "/nonexistent", urllib.parse.unquote(relative)))
        if not root or not path.startswith(os.path.realpath(root) + os.sep) or not os.path.isfile(path):
            self.send_body(404, b"not found", "text/plain")
            return
        size = os.path.getsize(path)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        with open(path, "rb") as f:
            while True:
                block = f.read(1 << 20)
                if not block:
                    break
                self.wfile.write(block)

    def route_bytes(self, size, query):
        status = int(query.get("status", "200"))
        announced = int(query.get("length", size))
        no_length = query.get("nolength") == "1"
        drip_ms = int(query.get("drip", "0"))
        chunk = int(query.get("chunk", "10240")) if drip_ms else len(BLOCK)
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if query.get("cacheable") != "1":
            self.send_header("Cache-Control", "no-store")
        if no_length:
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", str(announced))
        self.end_headers()
        if no_length or announced != size:
            self.close_connection = True  # the client sees the body end early
        sent = 0
        while sent < size:
            offset = sent % len(BLOCK)
            n = min(chunk, size - sent, len(BLOCK) - offset)
            self.wfile.write(BLOCK[offset:offset + n])
            sent += n
            if drip_ms:
                self.wfile.flush()
                time.sleep(drip_ms / 1000.0)


class Listener(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, name, shared, tls_context):
        self.name = name
        self.shared = shared
        self.tls_context = tls_context
        super().__init__((HOST, 0), Handler)

    @property
    def ports(self):
        return self.shared["ports"]

    @property
    def root(self):
        return self.shared["root"]

    def record(self, request_line):
        with self.shared["log_lock"]:
            with open(self.shared["log"], "a", encoding="utf-8") as f:
                f.write("%s %s\n" % (self.name, request_line))

    def finish_request(self, request, client_address):
        # The TLS handshake runs on the request's own thread, so a client that
        # refuses our certificate never holds up the listener.
        if self.tls_context is not None:
            request.settimeout(30)
            try:
                request = self.tls_context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
        super().finish_request(request, client_address)

    def shutdown_request(self, request):
        try:
            request.shutdown(socket.SHUT_WR)
        except OSError:
            pass
        request.close()


def tls_context(certs, name):
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(os.path.join(certs, name + ".pem"), os.path.join(certs, name + ".key"))
    return ctx


def serve(args):
    state = os.path.abspath(args.state_dir)
    os.makedirs(state, exist_ok=True)
    ports_file = os.path.join(state, "ports.txt")
    if os.path.exists(ports_file):
        os.remove(ports_file)
    certs = make_certs(state)
    shared = {
        "ports": {},
        "root": os.path.abspath(args.root) if args.root else None,
        "log": os.path.join(state, "requests.log"),
        "log_lock": threading.Lock(),
    }
    open(shared["log"], "w").close()
    contexts = {
        "http": None,
        "https": tls_context(certs, "good"),
        "https_wrong_name": tls_context(certs, "wrong_name"),
        "https_expired": tls_context(certs, "expired"),
        "https_unknown_ca": tls_context(certs, "unknown_ca"),
    }
    servers = []
    for name in LISTENERS:
        server = Listener(name, shared, contexts[name])
        shared["ports"][name] = server.server_address[1]
        servers.append(server)
        threading.Thread(target=server.serve_forever, daemon=True).start()

    with open(os.path.join(state, "server.pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    tmp = ports_file + ".tmp"
    with open(tmp, "w") as f:
        for name in LISTENERS:
            f.write("%s=%d\n" % (name, shared["ports"][name]))
    os.replace(tmp, ports_file)  # appears complete or not at all

    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    done.wait(args.max_seconds)
    for server in servers:
        server.shutdown()
        server.server_close()
    for name in ("server.pid", "ports.txt"):
        try:
            os.remove(os.path.join(state, name))
        except OSError:
            pass


def running_pid(state):
    """The pid of this state folder's server, if that process still runs it."""
    try:
        with open(os.path.join(state, "server.pid")) as f:
            pid = int(f.read().strip())
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            cmdline = f.read()
    except (OSError, ValueError):
        return None
    if b"test_server.py" in cmdline and b"serve" in cmdline:
        return pid
    return None


def stop(args):
    state = os.path.abspath(args.state_dir)
    pid = running_pid(state)
    if pid is None:
        return 0
    os.kill(pid, signal.SIGTERM)
    for _ in range(100):
        if running_pid(state) != pid:
            return 0
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)
    return 0


def start(args):
    state = os.path.abspath(args.state_dir)
    os.makedirs(state, exist_ok=True)
    stop(args)
    ports_file = os.path.join(state, "ports.txt")
    if os.path.exists(ports_file):
        os.remove(ports_file)
    command = [sys.executable, os.path.abspath(__file__), "serve", "--state-dir", state,
               "--max-seconds", str(args.max_seconds)]
    if args.root:
        command += ["--root", os.path.abspath(args.root)]
    # Detached, with no inherited pipes: ctest waits for pipes, not processes.
    with open(os.path.join(state, "server.out"), "w") as out:
        child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out,
                                 stderr=subprocess.STDOUT, start_new_session=True,
                                 close_fds=True)
    deadline = time.time() + 60
    while time.time() < deadline:
        if os.path.exists(ports_file):
            with open(ports_file) as f:
                sys.stdout.write(f.read())
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    sys.stderr.write("test server did not start; see %s\n" % os.path.join(state, "server.out"))
    try:
        with open(os.path.join(state, "server.out")) as f:
            sys.stderr.write(f.read())
    except OSError:
        pass
    return 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("command", choices=("start", "stop", "serve", "certs"))
    parser.add_argument("--state-dir", required=True)
    parser.add_argument("--root", help="folder served under /files/")
    parser.add_argument("--max-seconds", type=float, default=3600.0)
    args = parser.parse_args()
    if args.command == "start":
        return start(args)
    if args.command == "stop":
        return stop(args)
    if args.command == "certs":
        make_certs(os.path.abspath(args.state_dir))
        return 0
    serve(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
