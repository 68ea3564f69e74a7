#!/usr/bin/env python3
"""Runs the real program end to end on an interface page, under Wine.

    run_page.py --build BUILD --page tests/pages/NAME [options]

1. packs the page folder (with tests/pages/lib/*.js beside it) into an
   interface package with tools/make-package.sh, served by the local test
   server (the ctest fixture "test_server") under /files/e2e/<name>/;
2. writes a brand configuration in debug mode whose addresses point at that
   server, and makes a copy of the program carrying it (set_brand.exe),
   stamped and signed when --stamp is given;
3. runs the copy with /silent (and --args) under Wine, at most --timeout s;
4. prints the run's log (kept: debug mode) and the statistics requests the
   server received, and checks the exit code (--expect-exit, default 0).

The package also holds tests/pages/lib/*.js (pagetest.js: checks and the
callback dispatcher) and a generated testenv.js: TEST_ENV.server (the test
server's address), .https, .files (an address serving the folder .filesDir),
.scratch (an empty folder for the page, as a Windows path) and .build.

Options
    --fallback-page DIR   the fallback package's page (default: none; the
                          fallback address then answers 404)
    --no-package          the first address answers 404 too
    --expect-log TEXT     the log must contain TEXT (repeatable)
    --expect-stat TEXT    a statistics request must contain TEXT (repeatable)
    --args "..."          more command-line arguments for the program
    --exe PATH            the program to brand (default BUILD/WebInstaller.exe)
    --stamp KEY=VALUE     stamp the branded copy with this pair (tools/stamp.py;
                          repeatable), then sign it with osslsigncode and a
                          throw-away key and certificate made with openssl
    --release             debug mode off: the statistics go out encoded (they
                          are decoded here) and the log is scrambled
    --qa-brand NAME       QA installer mode with this QA brand name (paths
                          holding "Quorvent QA DEV" are redirected to NAME)
    --expect-cleanup      after the run, its clean-up batch files must remove the
                          working directory (found by the run GUID of its
                          statistics) and, after a successful install, the
                          program copy itself, within 20 s
Exit status 0 when every expectation holds.
"""
import argparse
import base64
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import time
import urllib.parse

ROOT = pathlib.Path(__file__).resolve().parents[2]


def wine(build, *args, timeout=None):
    return subprocess.run(["bash", str(ROOT / "scripts" / "wine-run.sh"), *map(str, args)],
                          timeout=timeout, capture_output=True, text=True, errors="replace")


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def make_package(page, out, env):
    work = out.parent / "site"
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(page, work)
    for lib in (ROOT / "tests" / "pages" / "lib").glob("*.js"):
        shutil.copy(lib, work / lib.name)
    # What a test page needs to know of its surroundings, as testenv.js.
    (work / "testenv.js").write_text("var TEST_ENV = " + json.dumps(env, indent=1) + ";\n")
    subprocess.run(["bash", str(ROOT / "tools" / "make-package.sh"), str(work), str(out)], check=True,
                   capture_output=True)


def stamp_and_sign(exe, work, pairs):
    """Stamp, then sign: the block must lie directly in front of the signature."""
    def run(*args):
        r = subprocess.run([str(x) for x in args], capture_output=True, text=True, errors="replace")
        if r.returncode != 0:
            sys.exit(f"{args[0]} failed: {r.stdout}{r.stderr}")
    run(sys.executable, ROOT / "tools" / "stamp.py", "write", exe, *pairs)
    key, cert, signed = work / "stamp-key.pem", work / "stamp-cert.pem", work / "signed.exe"
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert, "-days", "2",
        "-subj", "/CN=E2E Stamped Program", "-addext", "extendedKeyUsage=codeSigning")
    run("osslsigncode", "sign", "-certs", cert, "-key", key, "-n", "E2E stamped program", "-in", exe, "-out", signed)
    os.replace(signed, exe)


def decode_stat(request_line):
    """The query of a statistics request; the encoded form (v=2) decoded."""
    target = request_line.split(" ")[2] if request_line.count(" ") >= 3 else request_line
    query = target.split("?", 1)[1] if "?" in target else ""
    if query.startswith("v=2&data="):
        data = urllib.parse.unquote(query[len("v=2&data="):])
        return "(decoded) " + urllib.parse.unquote(base64.b64decode(data).decode("utf-8", errors="replace"))
    return urllib.parse.unquote(query)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", required=True)
    p.add_argument("--page")
    p.add_argument("--name")
    p.add_argument("--fallback-page")
    p.add_argument("--no-package", action="store_true")
    p.add_argument("--expect-exit", type=int, default=0)
    p.add_argument("--expect-log", action="append", default=[])
    p.add_argument("--expect-stat", action="append", default=[])
    p.add_argument("--args", default="")
    p.add_argument("--exe")
    p.add_argument("--stamp", action="append", default=[])
    p.add_argument("--release", action="store_true")
    p.add_argument("--expect-cleanup", action="store_true")
    p.add_argument("--qa-brand")
    p.add_argument("--timeout", type=int, default=120)
    a = p.parse_args()

    build = pathlib.Path(a.build).resolve()
    name = a.name or pathlib.Path(a.page).name
    state = build / "test-server"
    ports = dict(line.split("=", 1) for line in (state / "ports.txt").read_text().split())
    base = f"http://127.0.0.1:{ports['http']}"
    files = state / "files" / "e2e" / name
    shutil.rmtree(files, ignore_errors=True)
    (files / "main").mkdir(parents=True)
    (files / "fallback").mkdir(parents=True)
    scratch = build / "tests" / "e2e-scratch" / name
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir(parents=True)
    env = {
        "server": base,                                   # the test server, plain http
        "https": f"https://127.0.0.1:{ports.get('https', '')}",
        "files": f"{base}/files/e2e/{name}/",             # served from <build>/test-server/files/e2e/<name>/
        "filesDir": windows_path(files),                  # that folder as the program sees it
        "scratch": windows_path(scratch),                 # an empty folder for the page to use
        "build": windows_path(build),                     # the build folder (test programs in tests\\)
    }
    if a.page and not a.no_package:
        make_package(ROOT / a.page, files / "main" / "index.7z", env)
    if a.fallback_page:
        make_package(ROOT / a.fallback_page, files / "fallback" / "index.7z", env)

    stats = f"{base}/stats.gif?event=100&brand=E2E{name}&"
    brand = {"debug": not a.release, "brand_config": {
        "url": f"{base}/files/e2e/{name}/main/index.7z",
        "fallback_url": f"{base}/files/e2e/{name}/fallback/index.7z",
        "app_id": "368", "company_name": f"E2E {name}", "brand_system_name": f"e2e_{name}",
        "error_url": stats, "stats_url": stats}}
    if a.qa_brand:
        brand.update({"QAInstaller": True, "QANameBrand": a.qa_brand, "QAInstallerType": "test"})
    work = build / "tests" / "e2e" / name
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    (work / "brand.json").write_text(json.dumps(brand))
    exe = pathlib.Path(a.exe).resolve() if a.exe else build / "WebInstaller.exe"
    branded = work / "WebInstaller.exe"
    r = wine(build, build / "tests" / "set_brand.exe", exe, branded, work / "brand.json", timeout=120)
    if r.returncode != 0:
        sys.exit(f"set_brand failed: {r.stdout}{r.stderr}")
    if a.stamp:
        stamp_and_sign(branded, work, a.stamp)

    requests_log = state / "requests.log"
    seen_requests = requests_log.read_text(errors="replace").count("\n") if requests_log.exists() else 0
    started = time.time()
    try:
        run = wine(build, branded, "/silent", *a.args.split(), timeout=a.timeout)
        code = run.returncode
    except subprocess.TimeoutExpired:
        code = "timeout"

    # The run's working directory: the newest WebInstaller_* folder made after the start.
    prefix = pathlib.Path(os.environ.get("WEBINSTALLER_WINEPREFIX", ROOT / "build" / "wineprefix"))
    runs = [d for d in (prefix / "drive_c").glob("users/*/Temp/WebInstaller_*")
            if d.is_dir() and d.stat().st_mtime >= started - 1]
    log_text = ""
    if runs:
        run_dir = max(runs, key=lambda d: d.stat().st_mtime)
        for log in run_dir.glob("WebInstaller_*.log"):
            log_text += subprocess.run([sys.executable, str(ROOT / "tools" / "unscramble-log.py"), str(log)],
                                       capture_output=True, text=True, errors="replace").stdout
        print(f"== log of the run ({run_dir.name})")
        print(log_text)
        shutil.rmtree(run_dir, ignore_errors=True)
    else:
        print("== no working directory of the run was found")
    lines = requests_log.read_text(errors="replace").splitlines()[seen_requests:] if requests_log.exists() else []
    stat_lines = [decode_stat(l) for l in lines if "/stats.gif" in l]
    stat_lines = [l for l in stat_lines if f"E2E{name}&" in l]
    print("== statistics requests received")
    for l in stat_lines:
        print("  ", l)

    failures = []
    if a.expect_cleanup:
        guids = {m.group(1) for l in stat_lines for m in [re.search(r"process_id=([0-9A-F]{32})", l)] if m}
        if len(guids) != 1:
            failures.append(f"run GUID not found in the statistics ({sorted(guids)})")
        else:
            guid = guids.pop()
            leftovers = lambda: [d for d in (prefix / "drive_c").glob(f"users/*/Temp/WebInstaller_{guid}")] + \
                ([branded] if branded.exists() else [])
            deadline = time.time() + 20
            while leftovers() and time.time() < deadline:
                time.sleep(0.2)
            if leftovers():
                failures.append(f"not removed after the run: {[str(x) for x in leftovers()]}")
            else:
                print(f"== clean-up removed the working directory WebInstaller_{guid} and the program copy")
    if code != a.expect_exit:
        failures.append(f"exit code {code}, expected {a.expect_exit}")
    for text in a.expect_log:
        if text not in log_text:
            failures.append(f"log lacks {text!r}")
    for text in a.expect_stat:
        if not any(text in l for l in stat_lines):
            failures.append(f"no statistics request with {text!r}")
    if failures:
        print("== FAILED: " + "; ".join(failures))
        sys.exit(1)
    print(f"== passed (exit code {code})")


if __name__ == "__main__":
    main()
