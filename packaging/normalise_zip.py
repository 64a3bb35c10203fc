#!/usr/bin/env python3
"""Rewrites a zip archive so that the same files always give the same bytes: entries in name
order, every time stamp set to the given time, modes 0755 for directories and executables
and 0644 for other files, no extra fields (owner, access and change times).

    normalise_zip.py ARCHIVE SECONDS_SINCE_1970
"""
import stat
import sys
import time
import zipfile

EARLIEST_ZIP_TIME = 315532800  # 1980-01-01, the earliest time a zip entry can carry


def normalised_entry(info, date_time):
    entry = zipfile.ZipInfo(info.filename, date_time)
    entry.create_system = 3  # Unix, so that the modes below are read
    mode = info.external_attr >> 16
    if info.is_dir():
        entry.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10  # MS-DOS directory flag
    else:
        entry.external_attr = (stat.S_IFREG | (0o755 if mode & 0o100 else 0o644)) << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
    return entry


def main():
    archive, seconds = sys.argv[1], max(int(sys.argv[2]), EARLIEST_ZIP_TIME)
    date_time = time.gmtime(seconds)[:6]
    with zipfile.ZipFile(archive) as source:
        entries = sorted(((info, source.read(info)) for info in source.infolist()),
                         key=lambda entry: entry[0].filename)
    with zipfile.ZipFile(archive, "w") as target:
        for info, data in entries:
            target.writestr(normalised_entry(info, date_time), data, compresslevel=9)


if __name__ == "__main__":
    main()
