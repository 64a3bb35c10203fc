#!/usr/bin/env python3
"""Compares the call trace that the simulated display library wrote during a golden run with
the expected trace, byte for byte, then deletes the actual trace so that a later comparison
can never pass on a stale file.

    compare_trace.py EXPECTED ACTUAL

Set GOLDEN_UPDATE=1 to copy the actual trace over the expected one instead (review it by
hand before committing it).
"""
import difflib
import os
import sys


def main():
    expected_path, actual_path = sys.argv[1:]
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
    if actual != expected:
        sys.stdout.writelines(difflib.unified_diff(
            expected.decode("utf-8", "backslashreplace").splitlines(keepends=True),
            actual.decode("utf-8", "backslashreplace").splitlines(keepends=True),
            "expected trace", "actual trace"))
        sys.exit(1)


if __name__ == "__main__":
    main()
