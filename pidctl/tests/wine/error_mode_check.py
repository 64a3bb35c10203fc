#!/usr/bin/env python3
"""Checks under Wine that pidctl.exe switches off the system's error dialogs before it
touches any console.

    error_mode_check.py --wineprefix DIR PIDCTL

Runs `pidctl.exe Hide 1` once with Wine's call and load traces. Of the calls that
pidctl.exe's own code makes (call_trace.py), the first SetErrorMode must pass
SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX (3) and must come before the first
FreeConsole.
"""
import argparse
import os
import subprocess
import sys

import call_trace

EXPECTED_ORDER = [("SetErrorMode", "00000003"), ("FreeConsole", "")]


def traced_run(opts):
    env = dict(os.environ, WINEPREFIX=opts.wineprefix, WINEDEBUG=call_trace.TRACE_DEBUG,
               WINEDLLOVERRIDES="mscoree,mshtml=")
    result = subprocess.run(["wine", opts.pidctl, "Hide", "1"], stdin=subprocess.DEVNULL,
                            capture_output=True, env=env, timeout=60, check=False)
    return result.stderr.decode("utf-8", "replace").splitlines()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wineprefix", required=True)
    parser.add_argument("pidctl")
    opts = parser.parse_args()
    calls = call_trace.calls_from_program(traced_run(opts), os.path.basename(opts.pidctl),
                                          call_trace.image_size(opts.pidctl))
    sys.exit(call_trace.check_order(calls, EXPECTED_ORDER))


if __name__ == "__main__":
    main()
