#!/usr/bin/env python3
"""Reads an installer log on standard input and prints, plainly, what the page
asked for and what came back: the demo's view of a run."""
import json
import re
import sys

NAMES = {1: "download", 2: "start a program", 4: "web request", 5: "close", 6: "show the window",
         21: "write a text file", 23: "installer info", 24: "command line", 27: "folders",
         33: "page started", 36: "unpack", 39: "unpack (package password)"}

for line in sys.stdin:
    message = line.split(" | ", 4)[-1].strip()
    m = re.match(r"CDispatcherHandler::HandleJSRequest js request \[(.*)\]!$", message)
    if m:
        try:
            request = json.loads(m.group(1))
        except ValueError:
            continue
        name = NAMES.get(request.get("id"), "command %s" % request.get("id"))
        params = request.get("params")
        print("   page asks: %-18s %s" % (name, json.dumps(params) if params else ""))
        continue
    m = re.match(r"CWebView::RunJSCallbackFunction function \[(.*?)\] params \[(.*)\]", message)
    if m:
        try:
            params = json.loads(m.group(2)).get("params", {})
        except ValueError:
            params = {}
        if m.group(1) == "executeFileAsyncThreadFunc":
            print("   the product ran and ended with exit code %s" % params.get("exitCode"))
        if m.group(1) == "progressCallback":
            print("   progress:  %3s %%  (%s bytes more)" % (params.get("percent"), params.get("amount")))
        else:
            shown = {k: v for k, v in params.items() if k != "function"}
            print("   result of %s: %s" % (m.group(1), json.dumps(shown)))
        continue
    if "No response is needed" in message:
        continue  # statistics requests do not wait for the answer
    if "readAdvDataFromExec_nosignuture" in message:
        print("   note: the installer is not signed, so it carries no stamped download data")
        continue
    if re.search(r"\| (WRN|ERR) \|", line):
        print("   note: " + message)
