#!/usr/bin/env python3
"""Finishes a zip archive that CPack made: signs its programs when asked to, completes its
bill of materials, adds SHA256SUMS to its top folder and rewrites it so that the same files
always give the same bytes.

    finish_zip.py ARCHIVE SECONDS_SINCE_1970 [--sign PKCS12 PROGRAM...]

--sign: each PROGRAM of the top folder is signed with Authenticode (SHA-256) by osslsigncode,
with the certificate and key of the PKCS#12 file, whose password the environment variable
CODE_SIGNING_PASSWORD holds. The signing time is the given time and no time stamp is asked
for, so that signing the same bytes twice gives the same bytes.

The bill of materials (sbom.cdx.json in the top folder, CycloneDX, written by the build with
the package's components) gets the time and, as parts of the package's own component, every
other file of the archive with its SHA-256, the signed bytes of the programs included.

SHA256SUMS lists every other file of the archive, by its path below the top folder, in the
format of sha256sum, so that `sha256sum -c SHA256SUMS` checks an unpacked copy. The rewritten
archive has its entries in name order, every time stamp set to the given time, modes 0755 for
directories and executables and 0644 for other files, no extra fields (owner, access and
change times).
"""
import hashlib
import json
import os
import stat
import subprocess
import sys
import tempfile
import time
import zipfile

EARLIEST_ZIP_TIME = 315532800  # 1980-01-01, the earliest time a zip entry can carry
BILL_OF_MATERIALS = "sbom.cdx.json"


def normalised_entry(name, executable, date_time):
    entry = zipfile.ZipInfo(name, date_time)
    entry.create_system = 3  # Unix, so that the modes below are read
    if name.endswith("/"):
        entry.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10  # MS-DOS directory flag
    else:
        entry.external_attr = (stat.S_IFREG | (0o755 if executable else 0o644)) << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
    return entry


def with_checksums(entries, top):
    """The entries (name -> (executable, bytes)) and SHA256SUMS in the top folder."""
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name[len(top):]}\n"
                   for name, (_, data) in sorted(entries.items())
                   if name.startswith(top) and not name.endswith("/"))
    return dict(entries, **{top + "SHA256SUMS": (False, sums.encode())})


def signed(entries, top, pkcs12, programs, seconds):
    """The entries with each program signed, its signing time the given time."""
    if "CODE_SIGNING_PASSWORD" not in os.environ:
        sys.exit("CODE_SIGNING_PKCS12 is set, CODE_SIGNING_PASSWORD is not")
    entries = dict(entries)
    with tempfile.TemporaryDirectory() as scratch:
        password = os.path.join(scratch, "password")
        with open(os.open(password, os.O_WRONLY | os.O_CREAT, 0o600), "w") as handle:
            handle.write(os.environ["CODE_SIGNING_PASSWORD"])
        for program in programs:
            executable, data = entries[top + program]
            unsigned, signed_copy = (os.path.join(scratch, name) for name in ("in.exe", "out.exe"))
            with open(unsigned, "wb") as handle:
                handle.write(data)
            result = subprocess.run(
                ["osslsigncode", "sign", "-pkcs12", pkcs12, "-readpass", password,
                 "-h", "sha256", "-time", str(seconds), "-in", unsigned, "-out", signed_copy],
                capture_output=True, text=True)
            if result.returncode != 0:
                sys.exit(f"signing {program} failed:\n{result.stdout}{result.stderr}")
            with open(signed_copy, "rb") as handle:
                entries[top + program] = (executable, handle.read())
            os.remove(signed_copy)
    return entries


def with_bill_of_materials(entries, top, seconds):
    """The entries with the bill of materials completed: its time, and every other file of the
    top folder, with its SHA-256, as a part of the package's component."""
    name = top + BILL_OF_MATERIALS
    if name not in entries:
        return entries
    executable, data = entries[name]
    bill = json.loads(data)
    bill["metadata"]["timestamp"] = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(seconds))
    bill["metadata"]["component"]["components"] = [
        {"type": "file", "bom-ref": path[len(top):], "name": path[len(top):],
         "hashes": [{"alg": "SHA-256", "content": hashlib.sha256(content).hexdigest()}]}
        for path, (_, content) in sorted(entries.items())
        if path.startswith(top) and not path.endswith("/") and path != name]
    text = json.dumps(bill, indent=2, ensure_ascii=False) + "\n"
    return dict(entries, **{name: (executable, text.encode())})


def main():
    archive, seconds = sys.argv[1], max(int(sys.argv[2]), EARLIEST_ZIP_TIME)
    date_time = time.gmtime(seconds)[:6]
    with zipfile.ZipFile(archive) as source:
        entries = {info.filename: ((info.external_attr >> 16) & 0o100 != 0, source.read(info))
                   for info in source.infolist()}
    top = os.path.basename(archive)[:-len(".zip")] + "/"
    if sys.argv[3:4] == ["--sign"]:
        entries = signed(entries, top, sys.argv[4], sys.argv[5:], seconds)
    entries = with_checksums(with_bill_of_materials(entries, top, seconds), top)
    with zipfile.ZipFile(archive, "w") as target:
        for name, (executable, data) in sorted(entries.items()):
            target.writestr(normalised_entry(name, executable, date_time), data, compresslevel=9)


if __name__ == "__main__":
    main()
