#!/usr/bin/env python3
"""check_imports.py OBJDUMP EXE: the program's static imports are only DLLs that
Windows always loads from the system folder (KnownDLLs); every other DLL it
uses must be delay-loaded."""
import re
import subprocess
import sys

KNOWN = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
         "oleaut32.dll", "shlwapi.dll", "comdlg32.dll", "gdiplus.dll", "msvcrt.dll"}
DELAYED = {"wininet.dll", "crypt32.dll", "wintrust.dll", "version.dll", "urlmon.dll", "psapi.dll",
           "userenv.dll"}

out = subprocess.run([sys.argv[1], "-p", sys.argv[2]], check=True, capture_output=True, text=True).stdout
static, delayed, section = set(), set(), None
for line in out.splitlines():
    if "Import Tables" in line:
        section = "static"
    elif "Delay Import" in line:
        section = "delay"
    m = re.search(r"DLL Name: (\S+)", line)
    if m and section:
        (static if section == "static" else delayed).add(m.group(1).lower())
unknown = static - KNOWN
assert not unknown, f"statically imported DLLs that are not KnownDLLs: {sorted(unknown)}"
assert not (delayed - DELAYED), f"unexpected delay-loaded DLLs: {sorted(delayed - DELAYED)}"
print("static imports:", sorted(static))
print("delay-loaded:", sorted(delayed))
