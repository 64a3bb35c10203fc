#!/usr/bin/env python3
"""Writes the README of the Windows package, for the authors of host applications, from the
project's README: the section "For host authors" and each program's section. The contract is
thereby written once, in the project's README; how it is tested stands in its own section.

    host_readme.py README.md OUTPUT VERSION
"""
import re
import sys

SECTIONS = ("For host authors", "zeprobe", "radprobe", "pidctl")


def sections(markdown):
    """Maps each "## " heading to its section, heading line included."""
    parts = re.split(r"^(?=## )", markdown, flags=re.MULTILINE)
    return {part.splitlines()[0][3:].strip(): part for part in parts if part.startswith("## ")}


def main():
    readme, output, version = sys.argv[1:]
    with open(readme, encoding="utf-8") as handle:
        found = sections(handle.read())
    missing = [name for name in SECTIONS if name not in found]
    if missing:
        sys.exit(f"{readme}: no section {', '.join(missing)}")
    text = (f"# Console GPU helpers {version}\n\n"
            "How a host application runs `zeprobe.exe`, `radprobe.exe` and `pidctl.exe`, and\n"
            "what each one reports. The report schemas are in `schemas/`.\n\n")
    text += "".join(found[name].rstrip("\n") + "\n\n" for name in SECTIONS)
    with open(output, "w", encoding="utf-8", newline="\n") as handle:
        handle.write(text.rstrip("\n") + "\n")


if __name__ == "__main__":
    main()
