#!/usr/bin/env python3
"""Validates every successful golden report under a folder against a JSON Schema.

    validate_reports.py SCHEMA FOLDER [--strip-prefix TEXT] [--removing-kept-keys]

A golden report is a PREFIX.stdout file whose PREFIX.status holds 0. Lines that start with
the strip prefix (radprobe's "Set PageSize: " lines) are removed before parsing. Fails when a
report does not parse as JSON, does not satisfy the schema, or when no report was found.
With --removing-kept-keys it checks the schema's required keys instead: every key that each
successful report holds in every object of one place (a device, an adapter, the document)
must be one that the schema rejects a report without, so that a host that validates with the
shipped schema never accepts a report that lacks it.
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


def objects(node, place=()):
    """Each object of the document with its place, array positions written as "*"."""
    if isinstance(node, dict):
        yield place, node
        for key, value in node.items():
            yield from objects(value, place + (key,))
    elif isinstance(node, list):
        for value in node:
            yield from objects(value, place + ("*",))


def unrequired_kept_keys(validator, documents):
    """The keys that every document holds in every object of one place, but whose removal
    from the first such object the schema accepts."""
    kept, first = {}, {}
    for index, document in enumerate(documents):
        for place, node in objects(document):
            kept[place] = kept.get(place, set(node)) & set(node)
            first.setdefault(place, (index, node))
    faults = []
    for place, keys in kept.items():
        index, node = first[place]
        for key in sorted(keys):
            value = node.pop(key)
            if validator.is_valid(documents[index]):
                faults.append(f"{'.'.join(place) or 'the document'}: accepted without {key!r}, "
                              "which every successful report holds")
            node[key] = value
    return faults


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("schema")
    parser.add_argument("folder")
    parser.add_argument("--strip-prefix")
    parser.add_argument("--removing-kept-keys", action="store_true")
    args = parser.parse_args()
    validator = schema_validator(args.schema)
    failures = 0
    reports = list(successful_reports(args.folder))
    if args.removing_kept_keys:
        documents = [json.loads(report_text(report.read_bytes(), args.strip_prefix))
                     for report in reports]
        faults = unrequired_kept_keys(validator, documents)
        print("\n".join(faults + [f"{len(documents)} reports, {len(faults)} faults"]))
        sys.exit(1 if faults or not documents else 0)
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
