#!/usr/bin/env python3
"""Fails unless a Windows executable imports only from the allowed DLLs.

    check_imports.py OBJDUMP EXECUTABLE ALLOWED_DLL...
"""
import re
import subprocess
import sys


def imported_dlls(objdump, executable):
    listing = subprocess.run([objdump, "-p", executable], check=True, capture_output=True,
                             text=True).stdout
    return {name.lower() for name in re.findall(r"^\s*DLL Name: (\S+)", listing, re.MULTILINE)}


def main():
    objdump, executable, *allowed = sys.argv[1:]
    imports = imported_dlls(objdump, executable)
    if not imports:
        sys.exit(f"{executable}: no import table found")
    unexpected = sorted(imports - {name.lower() for name in allowed})
    print(f"{executable} imports: {', '.join(sorted(imports))}")
    if unexpected:
        sys.exit(f"unexpected DLL imports: {', '.join(unexpected)}")


if __name__ == "__main__":
    main()
