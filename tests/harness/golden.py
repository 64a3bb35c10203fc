#!/usr/bin/env python3
"""Runs one program once and compares its standard output, standard error and exit status
byte for byte with the golden files PREFIX.stdout, PREFIX.stderr and PREFIX.status.

    golden.py --expect PREFIX [--crlf] [--env K=V]... [--wine WINRUN --wineprefix DIR]
              [--timeout S] [--at-least S] [--stdout pipe|file|full|closed|gone]
              [--stderr-uncompared] -- PROGRAM [ARGS...]

Golden files are stored with LF line ends; --crlf expects every LF as CR LF (Windows text
mode). In an expected file the token {{LINE}} stands for any decimal number, for source line
numbers that the output carries but a test should not pin. A program ended by a signal has the
status "signal <number>". Under --wine the program runs
through the winrun helper, which reports the full 32-bit exit status, and environment values
that are absolute Unix paths are handed over as Windows paths on drive Z:.
--stdout picks what the program's standard output is, as a host or script can leave it: a pipe
(the default) or a regular file, whose content is compared; or one the program cannot write
to, where the expected standard output is empty: the full device /dev/full, a closed
descriptor, or a pipe whose reader has gone before the program starts.
--at-least S fails a run that ends in less than S seconds: a scenario that scripts a slow
device must make the run wait.
--stderr-uncompared leaves standard error out of the comparison and out of GOLDEN_UPDATE: for a
program that crashes under Wine, which writes its own crash text on the program's standard
error where Windows writes nothing, so that PREFIX.stderr keeps what Windows gives.
Set GOLDEN_UPDATE=1 to write the actual results into the golden files instead of comparing
(review every such file by hand before committing it).
"""
import argparse
import difflib
import os
import re
import subprocess
import sys
import tempfile
import time

LINE_TOKEN = b"{{LINE}}"


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--expect", required=True)
    parser.add_argument("--crlf", action="store_true")
    parser.add_argument("--env", action="append", default=[])
    parser.add_argument("--wine")
    parser.add_argument("--wineprefix")
    parser.add_argument("--cwd")
    parser.add_argument("--timeout", type=float, default=60.0)
    parser.add_argument("--at-least", type=float, default=0.0)
    parser.add_argument("--stdout", choices=("pipe", "file", "full", "closed", "gone"),
                        default="pipe")
    parser.add_argument("--stderr-uncompared", action="store_true")
    parser.add_argument("command", nargs="+")
    return parser.parse_args()


def build_environment(args):
    env = dict(os.environ)
    for item in args.env:
        key, _, value = item.partition("=")
        if args.wine and value.startswith("/"):
            value = windows_path(value)
        env[key] = value
    if args.wine:
        env.update(WINEPREFIX=args.wineprefix, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def run_command(args, command, stdout_path):
    """Runs the command and returns its standard output, standard error and return code."""
    options = dict(stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, env=build_environment(args),
                   cwd=args.cwd, timeout=args.timeout)
    if args.stdout == "pipe":
        result = subprocess.run(command, stdout=subprocess.PIPE, **options)
        return result.stdout, result.stderr, result.returncode
    if args.stdout == "file":
        with open(stdout_path, "w+b") as output:
            result = subprocess.run(command, stdout=output, **options)
            output.seek(0)
            return output.read(), result.stderr, result.returncode
    if args.stdout == "full":
        with open("/dev/full", "wb") as output:
            result = subprocess.run(command, stdout=output, **options)
    elif args.stdout == "closed":
        result = subprocess.run(command, preexec_fn=lambda: os.close(1), **options)
    else:
        reader, writer = os.pipe()
        os.close(reader)
        with os.fdopen(writer, "wb") as output:
            result = subprocess.run(command, stdout=output, **options)
    return b"", result.stderr, result.returncode


def run(args, status_file):
    command = list(args.command)
    if args.wine:
        program = command[0]
        if os.path.exists(program):
            program = windows_path(os.path.abspath(program))
        command = ["wine", args.wine, windows_path(status_file), program] + command[1:]
    stdout, stderr, returncode = run_command(args, command, status_file + ".stdout")
    if args.wine:
        if not os.path.exists(status_file):
            return None
        with open(status_file, "rb") as handle:
            status = handle.read().decode().strip()
    else:
        status = str(returncode) if returncode >= 0 else f"signal {-returncode}"
    return stdout, stderr, status.encode() + b"\n"


def expected_output(path, crlf):
    """The golden file's bytes, with every LF as CR LF when the program writes Windows text."""
    with open(path, "rb") as handle:
        expected = handle.read()
    return expected.replace(b"\n", b"\r\n") if crlf else expected


def matches(expected, actual):
    pattern = b"[0-9]+".join(re.escape(part) for part in expected.split(LINE_TOKEN))
    return re.fullmatch(pattern, actual, re.DOTALL) is not None


def report_difference(name, expected, actual):
    diff = difflib.unified_diff(
        expected.decode("utf-8", "backslashreplace").splitlines(keepends=True),
        actual.decode("utf-8", "backslashreplace").splitlines(keepends=True),
        f"expected {name}", f"actual {name}")
    sys.stdout.write("".join(diff) or f"{name} differs in line ends or invisible bytes\n")
    sys.stdout.write(f"actual {name} bytes: {actual!r}\n")


def run_program(args, scratch):
    """Runs the program; under Wine a launch that never reached winrun (rare, seen when Wine
    fails to start a process, with no message) is tried once more, since the program under
    test did not run at all. Its results are then checked like any other."""
    for attempt in range(2):
        outputs = run(args, os.path.join(scratch, f"status{attempt}"))
        if outputs is not None:
            return outputs
    sys.exit("winrun did not start twice: Wine could not start the program")


def main():
    args = parse_args()
    started = time.monotonic()
    with tempfile.TemporaryDirectory() as scratch:
        outputs = run_program(args, scratch)
    seconds = time.monotonic() - started
    failed = seconds < args.at_least
    if failed:
        print(f"the run took {seconds:.2f} s, less than the scripted {args.at_least} s")
    for suffix, actual in zip(("stdout", "stderr", "status"), outputs):
        if suffix == "stderr" and args.stderr_uncompared:
            continue
        path = f"{args.expect}.{suffix}"
        if args.crlf and suffix != "status":
            actual_lf = actual.replace(b"\r\n", b"\n")
        else:
            actual_lf = actual
        if os.environ.get("GOLDEN_UPDATE") == "1":
            with open(path, "wb") as handle:
                handle.write(actual_lf)
            continue
        expected = expected_output(path, args.crlf and suffix != "status")
        if not matches(expected, actual):
            report_difference(suffix, expected, actual)
            failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
