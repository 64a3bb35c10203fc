#!/usr/bin/env python3
"""Validates every successful golden report under a folder against a JSON Schema.

    validate_reports.py SCHEMA FOLDER [--strip-prefix TEXT]

A golden report is a PREFIX.stdout file whose PREFIX.status holds 0. Lines that start with
the strip prefix (radprobe's "Set PageSize: " lines) are removed before parsing. Fails when a
report does not parse as JSON, does not satisfy the schema, or when no report was found.
The scenario fuzzer reads and validates its reports with the same functions.
"""
import argparse
import json
import pathlib
import sys

import jsonschema


def successful_reports(folder):
    for status in sorted(pathlib.Path(folder).rglob("*.status")):
        if status.read_text().strip() == "0":
            yield status.with_suffix(".stdout")


def report_text(data, strip_prefix=None):
    """A report's bytes as text to parse, without the lines that start with strip_prefix.

    Bytes that are not UTF-8 pass through as the driver gave them; the check is about the
    document's structure, so they are carried along as undecodable characters. Lines end at
    LF only: a string value may hold other line separators, such as U+2028."""
    lines = data.split(b"\n")
    if strip_prefix:
        lines = [line for line in lines if not line.startswith(strip_prefix.encode())]
    return b"\n".join(lines).decode("utf-8", "surrogateescape")


def schema_validator(path):
    return jsonschema.Draft202012Validator(json.loads(pathlib.Path(path).read_text()))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("schema")
    parser.add_argument("folder")
    parser.add_argument("--strip-prefix")
    args = parser.parse_args()
    validator = schema_validator(args.schema)
    failures = 0
    reports = list(successful_reports(args.folder))
    for report in reports:
        try:
            document = json.loads(report_text(report.read_bytes(), args.strip_prefix))
            errors = list(validator.iter_errors(document))
        except json.JSONDecodeError as error:
            errors = [f"not a JSON document: {error}"]
        for error in errors:
            print(f"{report}: {getattr(error, 'message', error)}")
        failures += bool(errors)
    print(f"{len(reports) - failures} passed, {failures} failed")
    if not reports:
        sys.exit(f"no successful golden report under {args.folder}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
