#!/usr/bin/env python3
"""Compares the call trace that the simulated display library wrote during a golden run with
the expected trace, byte for byte, then deletes the actual trace so that a later comparison
can never pass on a stale file.

    compare_trace.py [--without-free-lines] EXPECTED ACTUAL

--without-free-lines leaves the "free(...)" lines out of both sides: in a sanitizer build the
library cannot replace free (the sanitizer's own comes first), and LeakSanitizer checks the
release instead.
Set GOLDEN_UPDATE=1 to copy the actual trace over the expected one instead (review it by
hand before committing it).
"""
import difflib
import os
import sys


def without_free_lines(trace):
    return b"".join(line for line in trace.splitlines(keepends=True)
                    if not line.startswith(b"free("))


def main():
    arguments = sys.argv[1:]
    skip_free = arguments[0] == "--without-free-lines"
    expected_path, actual_path = arguments[1:] if skip_free else arguments
    if not os.path.exists(actual_path):
        sys.exit(f"no trace at {actual_path}: the run that writes it did not happen")
    with open(actual_path, "rb") as handle:
        actual = handle.read()
    os.remove(actual_path)
    if os.environ.get("GOLDEN_UPDATE") == "1":
        with open(expected_path, "wb") as handle:
            handle.write(actual)
        return
    with open(expected_path, "rb") as handle:
        expected = handle.read()
    if skip_free:
        expected, actual = without_free_lines(expected), without_free_lines(actual)
    if actual != expected:
        sys.stdout.writelines(difflib.unified_diff(
            expected.decode("utf-8", "backslashreplace").splitlines(keepends=True),
            actual.decode("utf-8", "backslashreplace").splitlines(keepends=True),
            "expected trace", "actual trace"))
        sys.exit(1)


if __name__ == "__main__":
    main()
