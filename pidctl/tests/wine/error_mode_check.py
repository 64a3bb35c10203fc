#!/usr/bin/env python3
"""Checks under Wine that pidctl.exe switches off the system's error dialogs before it
touches any console.

    error_mode_check.py --wineprefix DIR PIDCTL

Runs `pidctl.exe Hide 1` once with Wine's call trace (+relay) and load trace (+loaddll).
Of the calls that pidctl.exe's own code makes into the system libraries (told apart by
their return address, which lies in the program's image: its load address from the trace,
its size from its PE header), the first SetErrorMode must pass
SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX (3) and must come before the first
FreeConsole.
"""
import argparse
import os
import re
import struct
import subprocess
import sys

LOADED = re.compile(r'Loaded L"[^"]*\\\\(?P<name>[^"\\]+)" at (?P<base>[0-9A-Fa-f]+)')
CALL = re.compile(r"^\w+:Call KERNEL32\.(?P<function>\w+)\((?P<args>[^)]*)\) ret=(?P<ret>\w+)$")
EXPECTED_MODE = "00000003"


def image_size(path):
    with open(path, "rb") as handle:
        header = handle.read(4096)
    (pe_offset,) = struct.unpack_from("<I", header, 0x3C)
    (size,) = struct.unpack_from("<I", header, pe_offset + 24 + 56)
    return size


def traced_run(opts):
    env = dict(os.environ, WINEPREFIX=opts.wineprefix, WINEDEBUG="+relay,+loaddll",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    result = subprocess.run(["wine", opts.pidctl, "Hide", "1"], stdin=subprocess.DEVNULL,
                            capture_output=True, env=env, timeout=60, check=False)
    return result.stderr.decode("utf-8", "replace").splitlines()


def calls_from_program(lines, name, size):
    base = None
    for line in lines:
        loaded = LOADED.search(line)
        if loaded and loaded["name"].lower() == name.lower():
            base = int(loaded["base"], 16)
        call = CALL.match(line)
        if call and base is not None and base <= int(call["ret"], 16) < base + size:
            yield call["function"], call["args"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wineprefix", required=True)
    parser.add_argument("pidctl")
    opts = parser.parse_args()
    calls = calls_from_program(traced_run(opts), os.path.basename(opts.pidctl),
                               image_size(opts.pidctl))
    relevant = [call for call in calls if call[0] in ("SetErrorMode", "FreeConsole")]
    print("pidctl.exe's calls, in order:", relevant)
    if relevant[:1] != [("SetErrorMode", EXPECTED_MODE)] or ("FreeConsole", "") not in relevant:
        sys.exit(f"expected SetErrorMode({EXPECTED_MODE}) before any FreeConsole")


if __name__ == "__main__":
    main()
