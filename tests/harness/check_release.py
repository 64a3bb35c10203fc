#!/usr/bin/env python3
"""Checks the release: the programs' folder, the Windows zip, the Debian package, and that a
second build gives the same bytes. Each check prints every fault it finds and fails with them.

    check_release.py folder FOLDER NAME...        the folder holds exactly these files
    check_release.py zip-contents ZIP VERSION     exactly the release files, in name order,
                                                  .exe and .dll 0755, other files 0644;
                                                  SHA256SUMS verifies; the README holds the
                                                  section of every program
    check_release.py kit-contents ZIP VERSION MANIFEST
                                                  the same of the simulated-hardware kit, whose
                                                  scenarios MANIFEST (simulated/kit.json) lists
    check_release.py kit-runs ZIP KIT MANIFEST SOURCE WINRUN WINEPREFIX
                                                  under Wine, the unpacked product programs
                                                  beside the unpacked kit's libraries give for
                                                  each kit scenario that ends the suite's
                                                  golden output, and without a scenario
                                                  variable end with 86; unpacked in a folder
                                                  whose name holds Cyrillic, CJK and accented
                                                  letters and a space
    check_release.py kit-host-runs ZIP KIT MANIFEST SOURCE WINEPREFIX
                                                  the same set-up, run by the kit's sample
                                                  host: each scenario that ends gives its
                                                  golden status and streams within the host's
                                                  time-out; each that hangs is ended by the
                                                  time-out, within a second of it, with no
                                                  process left running
    check_release.py zip-imports ZIP              each executable imports only system DLLs
    check_release.py zip-hardening ZIP            ASLR, high-entropy ASLR, DEP, relocations
    check_release.py zip-version ZIP VERSION      each executable's version resource
    check_release.py deb DEB VERSION ROOT         unpacks into ROOT; files and control fields
    check_release.py lintian DEB                  lintian reports no error and no warning
    check_release.py rebuild CMAKE SOURCE PRESET FIRST SECOND TARGET...
        builds TARGETs from SOURCE with PRESET in the folder SECOND, packs them (CMAKE and the
        cpack beside it), and compares bin/ and the packages with those of the build folder
        FIRST
The four zip checks take the release's program files after these arguments, as the build
lists them (RELEASE_PROGRAM_FILES): e.g. zip-imports ZIP zeprobe.exe radprobe.exe pidctl.exe.
"""
import gzip
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

import pefile

from check_imports import unexpected_imports
from golden import expected_output, matches, report_difference, windows_path

# The zip's files besides the programs.
ZIP_FILES = (
    "schemas/zeprobe-report.schema.json", "schemas/radprobe-report.schema.json",
    "README.md", "LICENSE", "THIRD-PARTY-NOTICES.txt", "SHA256SUMS")
# DLLs that every Windows installation has; anything else would have to ship with the
# programs (a compiler runtime DLL, for example, when the static link is lost).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "shell32.dll", "ole32.dll", "msvcrt.dll",
               "advapi32.dll", "ntdll.dll"}
HARDENING = {"DYNAMIC_BASE": 0x40, "HIGH_ENTROPY_VA": 0x20, "NX_COMPAT": 0x100}
KIT_FILES = ("schemas/level-zero-scenario.schema.json",
             "schemas/display-library-scenario.schema.json",
             "sample_host.cpp", "sample_host.exe", "SampleHost.cs",
             "README.md", "LICENSE", "THIRD-PARTY-NOTICES.txt", "SHA256SUMS")
UNICODE_FOLDER = "Приложение 测试 Café"
# The sample host's time-outs: a scenario that ends does so long before the first; the second
# is what ends a scenario that hangs, which must take no more than a second longer. A program
# that the host ends gets the status ERROR_TIMEOUT.
HOST_TIMEOUT_MS = 30000
HUNG_TIMEOUT_MS = 2000
HUNG_LATENESS_S = 1.0
TIMED_OUT_STATUS = 1460
GOLDEN_PY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "golden.py")
DEB_FILES = ("usr/bin/zeprobe", "usr/share/doc/zeprobe/changelog.gz",
             "usr/share/doc/zeprobe/copyright", "usr/share/doc/zeprobe/zeprobe-report.schema.json",
             "usr/share/man/man1/zeprobe.1.gz")


def top_folder(archive):
    return os.path.basename(archive)[:-len(".zip")] + "/"


def zip_files(archive):
    """Maps each file of the zip, by its path below the top folder, to its bytes."""
    top = top_folder(archive)
    with zipfile.ZipFile(archive) as package:
        return {info.filename[len(top):] if info.filename.startswith(top) else info.filename:
                package.read(info) for info in package.infolist() if not info.is_dir()}


def parsed_executable(data):
    image = pefile.PE(data=data, fast_load=True)
    image.parse_data_directories([pefile.DIRECTORY_ENTRY[f"IMAGE_DIRECTORY_ENTRY_{name}"]
                                  for name in ("IMPORT", "RESOURCE")])
    return image


def executables(archive, programs):
    files = zip_files(archive)
    return {name: parsed_executable(files[name]) for name in programs if name in files}


def checksum_faults(files):
    listed = {}
    for line in files.get("SHA256SUMS", b"").decode().splitlines():
        digest, _, name = line.partition("  ")
        listed[name] = digest
    faults = [f"SHA256SUMS lists {name}, which the zip does not hold"
              for name in sorted(listed.keys() - files.keys())]
    faults += [f"SHA256SUMS does not list {name}"
               for name in sorted(files.keys() - listed.keys() - {"SHA256SUMS"})]
    faults += [f"SHA256SUMS: wrong checksum of {name}" for name in sorted(listed.keys() & files.keys())
               if hashlib.sha256(files[name]).hexdigest() != listed[name]]
    return faults


def expected_mode(name):
    """Folders, executables and libraries 0755, to be entered or run once unpacked on a Unix
    system; other files 0644."""
    return 0o755 if name.endswith(("/", ".exe", ".dll")) else 0o644


def mode_faults(entries):
    modes = {entry.filename: (entry.external_attr >> 16) & 0o777 for entry in entries}
    return [f"{name}: mode {mode:o}, not {expected_mode(name):o}"
            for name, mode in modes.items() if mode != expected_mode(name)]


def contents_faults(archive, name, expected):
    """The archive is called name and holds exactly the expected files under its top folder,
    in name order, with the expected modes and a SHA256SUMS that verifies."""
    if os.path.basename(archive) != name:
        return [f"unexpected package name {os.path.basename(archive)}, not {name}"]
    with zipfile.ZipFile(archive) as package:
        names = package.namelist()
        faults = mode_faults(package.infolist())
    top = top_folder(archive)
    faults += [f"entry outside {top}: {name}" for name in names if not name.startswith(top)]
    if names != sorted(names):
        faults.append(f"entries not in name order: {names}")
    files = zip_files(archive)
    faults += [f"missing: {name}" for name in expected if name not in files]
    faults += [f"not a file of this package: {name}" for name in sorted(files)
               if name not in expected]
    faults += [f"empty folder: {name}" for name in names
               if name.endswith("/") and not any(other.startswith(name) and other != name
                                                 for other in names)]
    return faults + checksum_faults(files)


def readme_faults(files, programs):
    """The product README holds the host authors' section and one section per program."""
    sections = ("For host authors",) + tuple(os.path.splitext(name)[0] for name in programs)
    headings = files.get("README.md", b"").decode("utf-8").splitlines()
    return [f"README.md has no section {section!r}" for section in sections
            if f"## {section}" not in headings]


def check_zip_contents(archive, version, *programs):
    return (contents_faults(archive, f"console-gpu-helpers-{version}-win64.zip",
                            programs + ZIP_FILES)
            + readme_faults(zip_files(archive), programs))


def kit_libraries(manifest):
    with open(manifest, encoding="utf-8") as handle:
        return json.load(handle)["libraries"]


def check_kit_contents(archive, version, manifest):
    expected = KIT_FILES + tuple(
        name for library in kit_libraries(manifest) for name in
        [library["library"]] + [f"scenarios/{library['folder']}/{scenario['name']}.json"
                                for scenario in library["scenarios"]])
    return contents_faults(archive, f"console-gpu-helpers-{version}-simulated-win64.zip",
                           expected)


def golden_run_faults(expect, environment, command, wine):
    """Runs the command once through golden.py under Wine; its report when it differs."""
    options = [option for item in environment for option in ("--env", item)]
    result = subprocess.run([sys.executable, GOLDEN_PY, "--expect", expect, "--crlf", *wine,
                             *options, "--", *command], capture_output=True, text=True)
    if result.returncode == 0:
        return []
    return [f"{' '.join(command)} with {environment} differs from {expect}:\n{result.stdout}"
            f"{result.stderr}"]


def unpack_kit(temporary, product, kit, manifest):
    """Unpacks both zips into a folder of temporary and copies each kit library's program from
    the product beside the kit's libraries; returns the kit's folder."""
    # Host authors unpack the kit under user folders in any language: the stand-ins must read
    # a scenario path that holds characters outside every ANSI code page.
    scratch = os.path.join(temporary, UNICODE_FOLDER)
    for archive in (product, kit):
        with zipfile.ZipFile(archive) as package:
            package.extractall(scratch)
    kit_folder = os.path.join(scratch, top_folder(kit))
    for library in kit_libraries(manifest):
        shutil.copy(os.path.join(scratch, top_folder(product), library["program"]), kit_folder)
    return kit_folder


def hangs(scenario):
    return scenario.get("hangs", False)


def kit_scenarios(kit_folder, manifest, source):
    """Each kit scenario with its library, its unpacked file and the prefix of the suite's
    golden files for it (a scenario may share another's golden: "golden" in the manifest)."""
    for library in kit_libraries(manifest):
        for scenario in library["scenarios"]:
            path = os.path.join(kit_folder, "scenarios", library["folder"],
                                scenario["name"] + ".json")
            golden = os.path.join(source, library["goldens"],
                                  scenario.get("golden", scenario["name"]))
            yield library, scenario, path, golden


def check_kit_runs(product, kit, manifest, source, winrun, wineprefix):
    wine = ["--wine", winrun, "--wineprefix", wineprefix]
    faults = []
    with tempfile.TemporaryDirectory() as temporary:
        kit_folder = unpack_kit(temporary, product, kit, manifest)
        for library, scenario, path, golden in kit_scenarios(kit_folder, manifest, source):
            if hangs(scenario):
                continue
            program = os.path.join(kit_folder, library["program"])
            faults += golden_run_faults(golden, [f"{library['variable']}={path}"],
                                        [program] + scenario.get("arguments", []), wine)
            print(f"{library['program']}: {scenario['name']} checked")
        for library in kit_libraries(manifest):
            # A kit library without its scenario variable never reports fake hardware.
            faults += golden_run_faults(
                os.path.join(source, library["goldens"], "scenario_variable_not_set"), [],
                [os.path.join(kit_folder, library["program"])], wine)
    return faults


def host_printout(text):
    """The sample host's printout read as (status, timed out, standard output, standard
    error), or None when it is not in the sample host's format."""
    head = re.match(rb"status: (\d+) \(0x[0-9A-F]{8}\)\ntimed out: (yes|no)\n", text)
    if head is None:
        return None
    position, streams = head.end(), []
    for name in (b"standard output", b"standard error"):
        count = re.compile(re.escape(name) + rb": (\d+) bytes\n").match(text, position)
        if count is None:
            return None
        position = count.end() + int(count.group(1))
        streams.append(text[count.end():position])
    return None if position != len(text) else (int(head.group(1)), head.group(2) == b"yes",
                                               *streams)


def run_sample_host(host, timeout_ms, command, environment, wineprefix):
    """Runs the sample host under Wine; returns its printout (or None) and how long it took.
    A host that has not ended 30 s after its time-out is ended."""
    variables = dict(os.environ, WINEPREFIX=wineprefix, WINEDEBUG="-all",
                     WINEDLLOVERRIDES="mscoree,mshtml=", **environment)
    arguments = ["wine", host, str(timeout_ms), windows_path(command[0]), *command[1:]]
    start = time.monotonic()
    try:
        result = subprocess.run(arguments, stdin=subprocess.DEVNULL, capture_output=True,
                                env=variables, timeout=timeout_ms / 1000 + 30)
    except subprocess.TimeoutExpired:
        return None, time.monotonic() - start
    return host_printout(result.stdout), time.monotonic() - start


def live_processes(marker):
    """Pids of the running processes (not the ended ones waiting to be reaped) whose command
    line holds the marker."""
    pids = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as handle:
                command_line = handle.read()
            with open(f"/proc/{entry}/stat", "rb") as handle:
                state = handle.read().rpartition(b")")[2].split()[0]
        except (OSError, IndexError):
            continue
        if marker.encode() in command_line and state != b"Z":
            pids.append(int(entry))
    return pids


def leftover_faults(name, marker):
    """Every process of the unpacked kit that still runs a second after the host has ended,
    each then ended so that it holds up nothing else."""
    deadline = time.monotonic() + 1
    while live_processes(marker) and time.monotonic() < deadline:
        time.sleep(0.1)
    faults = []
    for pid in live_processes(marker):
        with open(f"/proc/{pid}/cmdline", "rb") as handle:
            command_line = handle.read().replace(b"\0", b" ").decode(errors="replace")
        faults.append(f"{name}: process {pid} ({command_line.strip()}) still runs after the "
                      "sample host ended")
        os.kill(pid, 9)
    return faults


def ending_run_faults(name, printout, golden, crlf=True, as_text=False):
    """A scenario that ends: no time-out, and the golden status and streams (with CR LF line
    ends when crlf). as_text: the host printed each stream as the text it decoded from UTF-8,
    written back as UTF-8, so the golden is compared as that text, each run of U+FFFD as one
    (decoders differ in how many they give for one sequence that is not UTF-8)."""
    status, timed_out, output, errors = printout
    if timed_out:
        return [f"{name}: did not end within the host's time-out; the host ended it"]
    faults = []
    with open(golden + ".status", encoding="ascii") as handle:
        expected_status = int(handle.read())
    if status != expected_status:
        faults.append(f"{name}: status {status}, not {expected_status}")
    for suffix, stream, actual in (("stdout", "output", output), ("stderr", "error", errors)):
        expected = expected_output(f"{golden}.{suffix}", crlf=crlf)
        if as_text:
            expected, actual = decoded_as_text(expected), decoded_as_text(actual)
        if not matches(expected, actual):
            report_difference(suffix, expected, actual)
            faults.append(f"{name}: standard {stream} differs from {golden}.{suffix}")
    return faults


def decoded_as_text(data):
    """The bytes decoded from UTF-8, each byte that is not UTF-8 replaced, each run of
    replacement characters made one, and encoded again."""
    return re.sub("\ufffd+", "\ufffd", data.decode("utf-8", "replace")).encode("utf-8")


def hung_run_faults(name, printout, elapsed, marker):
    """A scenario that hangs: ended by the time-out, within a second of it, nothing left."""
    faults = leftover_faults(name, marker)
    if printout is None:
        return faults
    status, timed_out = printout[:2]
    if not timed_out or status != TIMED_OUT_STATUS:
        faults.append(f"{name}: ended with status {status}, timed out {timed_out}, not ended "
                      f"by the time-out (status {TIMED_OUT_STATUS})")
    if not HUNG_TIMEOUT_MS / 1000 <= elapsed <= HUNG_TIMEOUT_MS / 1000 + HUNG_LATENESS_S:
        faults.append(f"{name}: the host took {elapsed:.2f} s with a time-out of "
                      f"{HUNG_TIMEOUT_MS} ms")
    return faults


def check_kit_host_runs(product, kit, manifest, source, wineprefix):
    faults = []
    with tempfile.TemporaryDirectory(prefix="kit-host-runs-") as scratch:
        kit_folder = unpack_kit(scratch, product, kit, manifest)
        host = os.path.join(kit_folder, "sample_host.exe")
        marker = os.path.basename(scratch)
        for library, scenario, path, golden in kit_scenarios(kit_folder, manifest, source):
            name = f"{library['program']} {scenario['name']}"
            command = [os.path.join(kit_folder, library["program"])]
            command += scenario.get("arguments", [])
            timeout_ms = HUNG_TIMEOUT_MS if hangs(scenario) else HOST_TIMEOUT_MS
            printout, elapsed = run_sample_host(
                host, timeout_ms, command, {library["variable"]: windows_path(path)}, wineprefix)
            if printout is None:
                faults.append(f"{name}: the sample host printed nothing it should, or did "
                              f"not end ({elapsed:.1f} s)")
            if hangs(scenario):
                faults += hung_run_faults(name, printout, elapsed, marker)
            elif printout is not None:
                faults += ending_run_faults(name, printout, golden)
            print(f"{name}: {elapsed:.2f} s")
    return faults


def check_zip_imports(archive, *programs):
    faults = []
    for name, image in executables(archive, programs).items():
        faults += unexpected_imports(name, image, SYSTEM_DLLS)
    return faults


def check_zip_hardening(archive, *programs):
    faults = []
    for name, image in executables(archive, programs).items():
        flags = image.OPTIONAL_HEADER.DllCharacteristics
        faults += [f"{name}: no {flag}" for flag, bit in HARDENING.items() if not flags & bit]
        relocations = image.OPTIONAL_HEADER.DATA_DIRECTORY[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        if relocations.Size == 0:
            faults.append(f"{name}: no base relocations, so it always loads at the same address")
    return faults


def version_strings(image):
    strings = {}
    for info in getattr(image, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", []):
            strings.update({key.decode(): value.decode() for key, value in table.entries.items()})
    return strings


def check_zip_version(archive, version, *programs):
    numbers = [int(part) for part in version.split(".")] + [0]
    faults = []
    for name, image in executables(archive, programs).items():
        strings = version_strings(image)
        expected = {"FileVersion": version, "ProductVersion": version, "OriginalFilename": name,
                    "ProductName": "Console GPU helpers"}
        faults += [f"{name}: {key} is {strings.get(key)!r}, not {value!r}"
                   for key, value in expected.items() if strings.get(key) != value]
        faults += [f"{name}: no {key}" for key in ("FileDescription", "LegalCopyright")
                   if not strings.get(key)]
        fixed = getattr(image, "VS_FIXEDFILEINFO", [None])[0]
        if fixed is None or (fixed.FileVersionMS, fixed.FileVersionLS) != (
                numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]):
            faults.append(f"{name}: the fixed file version is not {version}")
    return faults


def check_folder(folder, *names):
    present = sorted(os.listdir(folder))
    return [f"{folder} holds {present}, not {sorted(names)}"] if present != sorted(names) else []


def deb_field(package, field):
    return subprocess.run(["dpkg-deb", "-f", package, field], check=True, capture_output=True,
                          text=True).stdout.strip()


def check_deb(package, version, root):
    shutil.rmtree(root, ignore_errors=True)
    subprocess.run(["dpkg-deb", "-x", package, root], check=True)
    installed = sorted(os.path.relpath(os.path.join(folder, name), root)
                       for folder, _, names in os.walk(root) for name in names)
    faults = [f"installs {installed}, not {sorted(DEB_FILES)}"] if installed != sorted(DEB_FILES) else []
    depends = {item.split()[0] for item in deb_field(package, "Depends").split(",") if item.strip()}
    if "libze1" not in depends:
        faults.append(f"does not depend on libze1: {sorted(depends)}")
    faults += [f"{field} is {deb_field(package, field)!r}, not {value!r}"
               for field, value in (("Package", "zeprobe"), ("Version", version))
               if deb_field(package, field) != value]
    program = os.path.join(root, "usr/bin/zeprobe")
    if os.path.exists(program) and not os.access(program, os.X_OK):
        faults.append("usr/bin/zeprobe is not executable")
    # The man page's title line and the changelog's latest entry (each file's first line that
    # starts with <start>) carry the version.
    for what, name, start, mark in (
            ("man page's title line", "usr/share/man/man1/zeprobe.1.gz", ".TH ", f" {version}\""),
            ("changelog's latest entry", "usr/share/doc/zeprobe/changelog.gz", "zeprobe ",
             f" ({version}) ")):
        path = os.path.join(root, name)
        if not os.path.exists(path):
            continue
        lines = [line for line in gzip.open(path, "rt") if line.startswith(start)]
        if not (lines and mark in lines[0]):
            faults.append(f"the {what} does not carry version {version}")
    return faults


def check_lintian(package):
    result = subprocess.run(["lintian", "--fail-on", "error,warning", package],
                            capture_output=True, text=True)
    return [f"lintian reports:\n{result.stdout}{result.stderr}"] if result.returncode != 0 else []


def run_quietly(command, cwd=None):
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}")


def differing_entries(first, second):
    if not first.endswith(".zip"):
        return ""
    one, other = zip_files(first), zip_files(second)
    return ", ".join(sorted(name for name in one.keys() | other.keys()
                            if one.get(name) != other.get(name)))


def check_rebuild(cmake, source, preset, first, second, *targets):
    run_quietly([cmake, "-S", source, "--preset", preset, "-B", second,
                 "-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON"])
    run_quietly([cmake, "--build", second, "-j", "2", "--target", *targets])
    cpack = os.path.join(os.path.dirname(cmake), "cpack")
    run_quietly([cpack, "--config", os.path.join(second, "CPackConfig.cmake")], cwd=second)
    compared = [os.path.join(folder, name) for folder in ("bin", "package")
                for name in sorted(os.listdir(os.path.join(first, folder)))
                if os.path.isfile(os.path.join(first, folder, name))]
    faults = []
    for path in compared:
        one, other = os.path.join(first, path), os.path.join(second, path)
        if not os.path.exists(other) or open(one, "rb").read() != open(other, "rb").read():
            entries = differing_entries(one, other) if os.path.exists(other) else "missing"
            faults.append(f"{path} differs between {first} and {second}"
                          + (f" ({entries})" if entries else ""))
        else:
            print(f"same bytes: {path}")
    return faults


CHECKS = {"folder": check_folder, "zip-contents": check_zip_contents,
          "kit-contents": check_kit_contents, "kit-runs": check_kit_runs,
          "kit-host-runs": check_kit_host_runs,
          "zip-imports": check_zip_imports, "zip-hardening": check_zip_hardening,
          "zip-version": check_zip_version, "deb": check_deb, "lintian": check_lintian,
          "rebuild": check_rebuild}


def main():
    check, *arguments = sys.argv[1:]
    faults = CHECKS[check](*arguments)
    if faults:
        sys.exit("\n".join(faults))


if __name__ == "__main__":
    main()
