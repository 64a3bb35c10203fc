#!/usr/bin/env python3
"""Runs the kit's C# sample host (SampleHost.cs, compiled with Mono's mcs) once under mono,
on a program of the Linux build and a scenario, and checks what it prints.

    check_csharp_sample_host.py --mono MONO --host SAMPLEHOST_EXE (--expect PREFIX | --hangs)
                                --hung-timeout-ms MS [--env K=V]... -- PROGRAM [ARGS...]

--expect: the run ends by itself within the host's time-out, and the printout holds the
status and both streams of the golden files PREFIX.status, .stdout and .stderr (LF line ends;
{{LINE}} as in golden.py). The host decodes each stream from UTF-8 and prints the text
again as UTF-8, so the streams are compared as text (check_release.py's ending_run_faults).
--hangs: the host's time-out (MS, the kit's time-out for a scenario that hangs) ends the run,
no more than a second late; the status is what
the host's Kill() leaves, which the host cannot choose, and is not checked.
The host runs in the caller's environment with each --env added.
"""
import argparse
import os
import signal
import subprocess
import sys
import time

from check_release import ending_run_faults, host_printout

# The host's time-out for a run that ends by itself: the 10 seconds that the README advises.
TIMEOUT_MS = 10000
# How late the host may end a hung run past its time-out.
HUNG_LATENESS_S = 1.0
# A host that has not ended this long after its time-out waits for something that never comes:
# it is ended, and the run fails.
HOST_GRACE_S = 10


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mono", required=True)
    parser.add_argument("--host", required=True)
    ending = parser.add_mutually_exclusive_group(required=True)
    ending.add_argument("--expect")
    ending.add_argument("--hangs", action="store_true")
    parser.add_argument("--hung-timeout-ms", type=int, required=True)
    parser.add_argument("--env", action="append", default=[])
    parser.add_argument("command", nargs="+")
    return parser.parse_args()


def run_host(mono, host, timeout_ms, command, env):
    """Runs the host under mono; returns its printout (None when it printed anything else or
    did not end) and how long it took. A host that does not end is ended with the program it
    runs (a session of their own), so that a failing run leaves nothing running."""
    start = time.monotonic()
    with subprocess.Popen([mono, host, str(timeout_ms), *command], stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env,
                          start_new_session=True) as process:
        try:
            output, errors = process.communicate(timeout=timeout_ms / 1000 + HOST_GRACE_S)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.communicate()
            return None, time.monotonic() - start
    if process.returncode != 0:
        sys.stdout.write(errors.decode(errors="replace"))
    return host_printout(output), time.monotonic() - start


def hung_faults(printout, elapsed, timeout_ms):
    faults = []
    if not printout[1]:
        faults.append(f"ended by itself with status {printout[0]}, not by the time-out")
    if not timeout_ms / 1000 <= elapsed <= timeout_ms / 1000 + HUNG_LATENESS_S:
        faults.append(f"the host took {elapsed:.2f} s with a time-out of {timeout_ms} ms")
    return faults


def main():
    args = parse_args()
    timeout_ms = args.hung_timeout_ms if args.hangs else TIMEOUT_MS
    env = dict(os.environ, **dict(item.split("=", 1) for item in args.env))
    printout, elapsed = run_host(args.mono, args.host, timeout_ms, args.command, env)
    print(f"{' '.join(args.command)}: {elapsed:.2f} s")
    name = os.path.basename(args.command[0])
    if printout is None:
        faults = [f"{name}: the host printed nothing it should, or did not end"]
    elif args.hangs:
        faults = [f"{name}: {fault}" for fault in hung_faults(printout, elapsed, timeout_ms)]
    else:
        faults = ending_run_faults(name, printout, args.expect, crlf=False, as_text=True)
    if faults:
        sys.exit("\n".join(faults))


if __name__ == "__main__":
    main()
