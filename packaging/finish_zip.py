#!/usr/bin/env python3
"""Finishes a zip archive that CPack made: adds SHA256SUMS to its top folder and rewrites it so
that the same files always give the same bytes.

SHA256SUMS lists every other file of the archive, by its path below the top folder, in the
format of sha256sum, so that `sha256sum -c SHA256SUMS` checks an unpacked copy. The rewritten
archive has its entries in name order, every time stamp set to the given time, modes 0755 for
directories and executables and 0644 for other files, no extra fields (owner, access and
change times).

    finish_zip.py ARCHIVE SECONDS_SINCE_1970
"""
import hashlib
import os
import stat
import sys
import time
import zipfile

EARLIEST_ZIP_TIME = 315532800  # 1980-01-01, the earliest time a zip entry can carry


def normalised_entry(name, executable, date_time):
    entry = zipfile.ZipInfo(name, date_time)
    entry.create_system = 3  # Unix, so that the modes below are read
    if name.endswith("/"):
        entry.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10  # MS-DOS directory flag
    else:
        entry.external_attr = (stat.S_IFREG | (0o755 if executable else 0o644)) << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
    return entry


def with_checksums(archive, entries):
    """The entries (name -> (executable, bytes)) and SHA256SUMS in the archive's top folder."""
    top = os.path.basename(archive)[:-len(".zip")] + "/"
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name[len(top):]}\n"
                   for name, (_, data) in sorted(entries.items())
                   if name.startswith(top) and not name.endswith("/"))
    return dict(entries, **{top + "SHA256SUMS": (False, sums.encode())})


def main():
    archive, seconds = sys.argv[1], max(int(sys.argv[2]), EARLIEST_ZIP_TIME)
    date_time = time.gmtime(seconds)[:6]
    with zipfile.ZipFile(archive) as source:
        entries = {info.filename: ((info.external_attr >> 16) & 0o100 != 0, source.read(info))
                   for info in source.infolist()}
    entries = with_checksums(archive, entries)
    with zipfile.ZipFile(archive, "w") as target:
        for name, (executable, data) in sorted(entries.items()):
            target.writestr(normalised_entry(name, executable, date_time), data, compresslevel=9)


if __name__ == "__main__":
    main()
