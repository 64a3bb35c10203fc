#!/usr/bin/env python3
"""Fails unless a Windows executable imports only from the allowed DLLs.

    check_imports.py EXECUTABLE ALLOWED_DLL...
"""
import sys

import pefile


def imported_dlls(image):
    """The DLL names in the import table of a parsed executable, in lower case."""
    return {entry.dll.decode().lower() for entry in getattr(image, "DIRECTORY_ENTRY_IMPORT", [])}


def unexpected_imports(name, image, allowed):
    """Prints what the executable imports; returns the imports outside `allowed`, or a
    message when it has no import table at all."""
    imports = imported_dlls(image)
    if not imports:
        return [f"{name}: no import table found"]
    print(f"{name} imports: {', '.join(sorted(imports))}")
    return [f"{name}: unexpected DLL import {dll}"
            for dll in sorted(imports - {dll.lower() for dll in allowed})]


def main():
    executable, *allowed = sys.argv[1:]
    image = pefile.PE(executable, fast_load=True)
    image.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    problems = unexpected_imports(executable, image, allowed)
    if problems:
        sys.exit("\n".join(problems))


if __name__ == "__main__":
    main()
