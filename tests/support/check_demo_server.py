#!/usr/bin/env python3
"""tools/demo_server.py: serves files from its folder, nothing outside it, and
writes every statistics event as plain text to standard output and its log."""
import base64
import os
import pathlib
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent
SERVER = ROOT / "tools" / "demo_server.py"


def packed(query):
    """The installer's packed form of a query (v=2, Base64 with + / = escaped)."""
    text = base64.b64encode(query.encode("utf-8")).decode("ascii")
    return "v=2&data=" + text.replace("+", "%2B").replace("=", "%3D").replace("/", "%2F")


class DemoServerTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        base = pathlib.Path(self.tmp.name)
        self.root = base / "site"
        (self.root / "compressed_assets" / "demo").mkdir(parents=True)
        (self.root / "compressed_assets" / "demo" / "index.7z").write_bytes(bytes(range(256)) * 1000)
        (base / "secret.txt").write_text("outside")
        os.symlink(base / "secret.txt", self.root / "link.txt")
        self.log = base / "events.log"
        port_file = base / "port"
        self.proc = subprocess.Popen(
            [sys.executable, str(SERVER), "--root", str(self.root), "--log", str(self.log),
             "--port-file", str(port_file), "--quiet"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        deadline = time.time() + 20
        while not port_file.exists():
            self.assertIsNone(self.proc.poll(), "the server ended")
            self.assertLess(time.time(), deadline, "no port file")
            time.sleep(0.05)
        self.base = "http://127.0.0.1:%d" % int(port_file.read_text())

    def tearDown(self):
        self.proc.terminate()
        self.proc.wait(10)
        self.proc.stdout.close()
        self.tmp.cleanup()

    def get(self, path):
        try:
            with urllib.request.urlopen(self.base + path, timeout=10) as r:
                return r.status, r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()

    def test_serves_files_of_its_folder_only(self):
        status, body = self.get("/compressed_assets/demo/index.7z")
        self.assertEqual(200, status)
        self.assertEqual(bytes(range(256)) * 1000, body)
        for path in ("/compressed_assets/demo/missing.7z", "/../secret.txt", "/%2e%2e/secret.txt",
                     "/compressed_assets/../../secret.txt", "/link.txt"):
            self.assertEqual(404, self.get(path)[0], path)

    def test_events_in_plain_text(self):
        # The Base64 text of these queries holds "+", "/" and "=" (escaped on the wire).
        readable = "event=100&brand=Demo&event_type=installer_init&os=Windows 10_64bit&marks=>>>???"
        with_error = "event=100&brand=Demo&event_type=error&error_text=a%3Db%2Bc%20d&x=\u00e9"
        wire = packed(readable)
        for escaped in ("%2B", "%2F", "%3D"):
            self.assertIn(escaped, wire)
        self.assertEqual(200, self.get("/stats.gif?" + wire)[0])
        self.assertEqual(200, self.get("/any/where/stats.gif?" + packed(with_error))[0])
        debug = "event=100&brand=Demo&event_type=installer_init&os=Windows_10_32bit"
        status, body = self.get("/stats.gif?" + debug)  # debug mode: sent readable
        self.assertEqual(200, status)
        self.assertTrue(body.startswith(b"GIF89a"))
        self.assertEqual(200, self.get("/stats.gif?v=2&data=%%%")[0])

        expected = [readable, with_error, debug, "undecodable: v=2&data=%%%"]
        lines = [self.proc.stdout.readline().rstrip("\n") for _ in expected]
        self.assertEqual(expected, lines)
        self.assertEqual(expected, self.log.read_text(encoding="utf-8").splitlines())


if __name__ == "__main__":
    unittest.main()
