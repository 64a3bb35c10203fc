#!/usr/bin/env python3
"""Checks the release: the programs' folder, the Windows zip, the Debian package, and that a
second build gives the same bytes. Each check prints every fault it finds and fails with them.

    check_release.py folder FOLDER NAME...        the folder holds exactly these files
    check_release.py zip-contents ZIP VERSION     exactly the release files, in name order,
                                                  .exe and .dll 0755, other files 0644;
                                                  SHA256SUMS verifies; the README holds the
                                                  section of every program; the notices
                                                  name every statically linked runtime
    check_release.py changed-copies ZIP VERSION   a copy of the zip with any one file changed
                                                  by one byte fails zip-contents, which names
                                                  that file alone; every file is tried
    check_release.py kit-contents ZIP VERSION MANIFEST
                                                  the same of the test kit, whose
                                                  scenarios MANIFEST (kit/kit.json) lists;
                                                  its README runs each scenario with the
                                                  manifest's program and arguments, and
                                                  kit_check.json gives each the manifest's
                                                  time-out
    check_release.py kit-runs ZIP KIT MANIFEST SOURCE WINRUN WINEPREFIX
                                                  under Wine, the unpacked product programs
                                                  beside the unpacked kit's libraries give for
                                                  each kit scenario that ends by itself the
                                                  suite's golden output, and without a
                                                  scenario variable end with 86; unpacked in a
                                                  folder whose name holds Cyrillic, CJK and
                                                  accented letters and a space
    check_release.py kit-host-runs ZIP KIT MANIFEST SOURCE WINEPREFIX LATE_HOST
                                                  the same set-up, in a prefix whose debugger
                                                  is off and whose session has an X server
                                                  (wine-session.sh start-without-debugger):
                                                  the kit's self-check passes every scenario
                                                  and every pidctl case and leaves no process
                                                  running; the
                                                  sample host passes an argument that ends in
                                                  a backslash unchanged; a self-check that
                                                  ends with 1 fails even when its lines say
                                                  passed; the self-check of each kit copy with
                                                  one difference (an expected byte changed,
                                                  letters in a {{LINE}} place, a crash's
                                                  expected standard error not empty, the
                                                  sample host replaced by LATE_HOST, which
                                                  ends a hung run 3 s late) fails that
                                                  scenario alone
    check_release.py zip-imports ZIP              each executable imports only system DLLs
    check_release.py zip-hardening ZIP            ASLR, high-entropy ASLR, DEP, relocations;
                                                  stripped: no symbol table, no debug section
    check_release.py zip-version ZIP VERSION      each executable's version resource
    check_release.py deb DEB VERSION ROOT         unpacks into ROOT; files and control fields
    check_release.py lintian DEB                  lintian reports no error and no warning
    check_release.py bill-of-materials SCHEMA ZIP...
                                                  each zip's sbom.cdx.json validates against
                                                  the CycloneDX 1.5 SCHEMA (its neighbours
                                                  resolve its references), its components are
                                                  exactly the code that its notices name, each
                                                  executable and library lists the runtimes it
                                                  contains, and it holds the SHA-256 of every
                                                  other file of the zip
    check_release.py signed-packs CPACK CONFIG FOLDER
                                                  makes a throwaway code-signing certificate
                                                  with openssl in FOLDER, packs the build of
                                                  CONFIG (CPackConfig.cmake) twice with it into
                                                  FOLDER/first and FOLDER/second: the two give
                                                  the same bytes
    check_release.py signed-zip SIGNED UNSIGNED CERTIFICATE SCHEMA VERSION
                                                  each program of the signed zip verifies
                                                  with osslsigncode against CERTIFICATE and,
                                                  without its signature, is the unsigned zip's
                                                  program, which carries none; SHA256SUMS, the
                                                  zip's .sha256 and its bill of materials
                                                  describe the signed bytes; each carries the
                                                  version resource
    check_release.py signed-runs SIGNED KIT MANIFEST SOURCE WINRUN WINEPREFIX
                                                  kit-runs with the signed programs, and
                                                  pidctl's usage golden
    check_release.py rebuild CMAKE SOURCE PRESET FIRST SECOND TARGET...
        builds TARGETs from SOURCE with PRESET in the folder SECOND, packs them (CMAKE and the
        cpack beside it), and compares bin/ and the packages with those of the build folder
        FIRST
The five zip checks and signed-zip take the release's program files after these arguments, as
the build lists them (RELEASE_PROGRAM_FILES): e.g. zip-imports ZIP zeprobe.exe radprobe.exe
pidctl.exe.
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
import urllib.parse
import zipfile

import jsonschema
import pefile

from check_imports import unexpected_imports
from golden import expected_output, matches, report_difference, windows_path

# The zip's files besides the programs.
ZIP_FILES = (
    "schemas/zeprobe-report.schema.json", "schemas/radprobe-report.schema.json",
    "README.md", "LICENSE", "THIRD-PARTY-NOTICES.txt", "sbom.cdx.json", "SHA256SUMS")
# DLLs that every Windows installation has; anything else would have to ship with the
# programs (a compiler runtime DLL, for example, when the static link is lost).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "shell32.dll", "ole32.dll", "msvcrt.dll",
               "advapi32.dll", "ntdll.dll"}
# The runtimes that the MinGW-w64 build links statically, each by the Debian package whose
# copyright file the notices copy.
STATIC_RUNTIMES = {"gcc-mingw-w64-base": "the GCC runtime (libstdc++, libgcc)",
                   "base-files": "the GPL 3, to which the GCC runtime's terms refer",
                   "mingw-w64-x86-64-dev": "the MinGW-w64 runtime"}
HARDENING = {"DYNAMIC_BASE": 0x40, "HIGH_ENTROPY_VA": 0x20, "NX_COMPAT": 0x100}
KIT_FILES = ("schemas/level-zero-scenario.schema.json",
             "schemas/display-library-scenario.schema.json",
             "sample_host.cpp", "sample_host.exe", "SampleHost.cs", "kit_check.cpp",
             "kit_check.h", "pidctl_cases.cpp", "kit_check.exe", "kit_check.json",
             "console_target.cpp", "console_target.exe", "README.md", "LICENSE",
             "THIRD-PARTY-NOTICES.txt", "sbom.cdx.json", "SHA256SUMS")
UNICODE_FOLDER = "Приложение 测试 Café"
# How long the self-check may take in all, whatever it meets: its runs end by themselves or by
# their time-outs, which are far shorter.
SELF_CHECK_TIMEOUT_S = 300
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
            + readme_faults(zip_files(archive), programs)
            + notices_faults(zip_files(archive)))


def notices_faults(files):
    """The notices name every runtime that the MinGW-w64 build links statically into each
    executable and library, with the licence text that their terms refer to."""
    notices = files.get("THIRD-PARTY-NOTICES.txt", b"").decode("utf-8")
    return [f"THIRD-PARTY-NOTICES.txt does not hold {what} (Debian package {package})"
            for package, what in STATIC_RUNTIMES.items()
            if f"Debian package {package} " not in notices]


def check_changed_copies(archive, version, *programs):
    """The zip check itself: a copy of the zip with one file changed by one byte must fail it,
    naming that file and nothing else, for each file that SHA256SUMS lists, and each such file
    must have been tried; the faults of the zip itself are zip-contents' to report."""
    listed = [name for name in zip_files(archive) if name != "SHA256SUMS"]
    reports = dict(changed_copy_reports(archive, version, *programs))
    faults = [f"{name} changed by one byte: never tried" for name in listed
              if name not in reports]
    faults += [f"{name} changed by one byte: the zip check reports {found}"
               for name, found in reports.items()
               if found != [f"SHA256SUMS: wrong checksum of {name}"]]
    return faults


def changed_copy_reports(archive, version, *programs):
    """For each file of the zip but SHA256SUMS, its name and the faults that the zip check
    reports of a copy of the zip with that file changed by one byte, beyond those of the zip
    itself."""
    own = check_zip_contents(archive, version, *programs)
    with zipfile.ZipFile(archive) as package:
        entries = [(info, package.read(info)) for info in package.infolist()]
    top = top_folder(archive)
    with tempfile.TemporaryDirectory() as scratch:
        copy = os.path.join(scratch, os.path.basename(archive))
        for changed, _ in entries:
            name = changed.filename[len(top):]
            if changed.is_dir() or name == "SHA256SUMS":
                continue
            with zipfile.ZipFile(copy, "w") as package:
                for info, data in entries:
                    package.writestr(info, data[:-1] + bytes([data[-1] ^ 1])
                                     if info is changed else data)
            found = [fault for fault in check_zip_contents(copy, version, *programs)
                     if fault not in own]
            print(f"{name} changed: {found}")
            yield name, found


def kit_libraries(manifest):
    with open(manifest, encoding="utf-8") as handle:
        return json.load(handle)["libraries"]


def check_kit_contents(archive, version, manifest):
    expected = KIT_FILES + tuple(
        name for library in kit_libraries(manifest) for name in
        [library["library"]] + [f"scenarios/{library['folder']}/{scenario['name']}.json"
                                for scenario in library["scenarios"]]
        + [f"expected/{library['folder']}/{scenario['name']}.{suffix}"
           for scenario in library["scenarios"] if not hangs(scenario)
           for suffix in ("status", "stdout", "stderr")])
    files = zip_files(archive)
    return (contents_faults(archive, f"console-gpu-helpers-{version}-simulated-win64.zip",
                            expected)
            + notices_faults(files) + scenario_row_faults(files, manifest)
            + check_list_faults(files, manifest))


def scenario_row_faults(files, manifest):
    """The kit README's row of each scenario tells the host to run its program with the
    arguments that the manifest gives."""
    rows = dict(re.findall(r"^\| `scenarios/([^`]+)\.json`, run as `([^`]*)` \|",
                           files.get("README.md", b"").decode("utf-8"), re.MULTILINE))
    faults = []
    for library in kit_libraries(manifest):
        for scenario in library["scenarios"]:
            name = f"{library['folder']}/{scenario['name']}"
            command = " ".join([library["program"]] + scenario.get("arguments", []))
            if rows.get(name) != command:
                faults.append(f"README.md: the row of {name} runs {rows.get(name)!r}, "
                              f"not {command!r}")
    return faults


def check_list_faults(files, manifest):
    """The self-check's list (kit_check.json) gives each scenario the time-out that the
    manifest's "timeouts_ms" gives a scenario that ends, or one that hangs."""
    listed = {(item["folder"], item["name"]): item.get("timeout_ms") for item in
              json.loads(files.get("kit_check.json", b'{"scenarios": []}'))["scenarios"]}
    with open(manifest, encoding="utf-8") as handle:
        timeouts_ms = json.load(handle)["timeouts_ms"]
    faults = []
    for library in kit_libraries(manifest):
        for scenario in library["scenarios"]:
            key = (library["folder"], scenario["name"])
            expected = timeouts_ms["hangs" if hangs(scenario) else "ends"]
            if listed.get(key) != expected:
                faults.append(f"kit_check.json: the time-out of {'/'.join(key)} is "
                              f"{listed.get(key)}, not {expected} ms")
    return faults


def golden_run_faults(expect, environment, command, wine):
    """Runs the command once through golden.py under Wine; its report when it differs."""
    options = [option for item in environment for option in ("--env", item)]
    result = subprocess.run([sys.executable, GOLDEN_PY, "--expect", expect, "--crlf", *wine,
                             *options, "--", *command], capture_output=True, text=True)
    if result.returncode == 0:
        return []
    return [f"{' '.join(command)} with {environment} differs from {expect}:\n{result.stdout}"
            f"{result.stderr}"]


def unpack_kit(temporary, product, kit):
    """Unpacks both zips into a folder of temporary and copies the product's programs beside
    the kit's libraries, as the README's "On real Windows" does; returns the kit's folder."""
    # Host authors unpack the kit under user folders in any language: the simulated libraries must read
    # a scenario path that holds characters outside every ANSI code page.
    scratch = os.path.join(temporary, UNICODE_FOLDER)
    for archive in (product, kit):
        with zipfile.ZipFile(archive) as package:
            package.extractall(scratch)
    kit_folder = os.path.join(scratch, top_folder(kit))
    product_folder = os.path.join(scratch, top_folder(product))
    for name in os.listdir(product_folder):
        if name.endswith(".exe"):
            shutil.copy(os.path.join(product_folder, name), kit_folder)
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
        kit_folder = unpack_kit(temporary, product, kit)
        for library, scenario, path, golden in kit_scenarios(kit_folder, manifest, source):
            # A crash runs only in a prefix whose debugger is off: the self-check runs those
            # scenarios (kit-host-runs).
            if hangs(scenario) or scenario.get("crashes", False):
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


def wine_environment(wineprefix, **variables):
    return dict(os.environ, WINEPREFIX=wineprefix, WINEDEBUG="-all",
                WINEDLLOVERRIDES="mscoree,mshtml=", **variables)


def run_sample_host(host, timeout_ms, command, environment, wineprefix):
    """Runs the sample host under Wine; returns its printout (or None) and how long it took.
    A host that has not ended 30 s after its time-out is ended."""
    arguments = ["wine", host, str(timeout_ms), windows_path(command[0]), *command[1:]]
    start = time.monotonic()
    try:
        result = subprocess.run(arguments, stdin=subprocess.DEVNULL, capture_output=True,
                                env=wine_environment(wineprefix, **environment),
                                timeout=timeout_ms / 1000 + 30)
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
        return [f"{name}: did not end within its time-out; the host ended it"]
    faults = []
    with open(golden + ".status", encoding="ascii") as handle:
        expected_status = host_status(handle.read())
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


def host_status(golden_status):
    """The status that a host reads for a golden status. A Linux program ended by a signal
    ("signal N") reads as 128 + N to a host that sees only a number, as Mono's Process.ExitCode
    gives it (and a shell's $?)."""
    kind, _, number = golden_status.strip().partition(" ")
    return 128 + int(number) if kind == "signal" else int(kind)


def self_check_faults(name, kit_folder, wineprefix, closing_line, succeeds, failing=None,
                      command=None):
    """Runs the kit's self-check under Wine with the session's X display (or command, a
    stand-in for it), its lines shown as they are with its run time; a fault when its closing
    line is not the expected one, its status does not say the same, or, given failing, its one
    failed line does not start with that."""
    command = command or ["wine", os.path.join(kit_folder, "kit_check.exe")]
    start = time.monotonic()
    try:
        result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                                env=wine_environment(wineprefix, DISPLAY=x_display(wineprefix)),
                                timeout=SELF_CHECK_TIMEOUT_S)
    except subprocess.TimeoutExpired:
        return [f"{name}: the self-check did not end within {SELF_CHECK_TIMEOUT_S} s"]
    lines = result.stdout.decode("utf-8", "replace").splitlines()
    print(f"{name} ({time.monotonic() - start:.1f} s):", *lines,
          result.stderr.decode("utf-8", "replace"), sep="\n")
    faults = []
    if lines[-1:] != [closing_line]:
        faults.append(f"{name}: the self-check closed with {lines[-1:]}, not {closing_line!r}")
    if (result.returncode == 0) != succeeds:
        faults.append(f"{name}: the self-check ended with status {result.returncode}")
    failed = [line for line in lines if ": FAILED" in line]
    if failing is not None and (len(failed) != 1 or not failed[0].startswith(failing)):
        faults.append(f"{name}: the self-check failed {failed}, not one line {failing!r}")
    return faults


def x_display(wineprefix):
    """The X display of the prefix's session (wine-session.sh start-without-debugger): Wine
    gives pidctl's console targets a window only with a display, and only with the one that
    the session's desktop took when it started."""
    with open(os.path.join(wineprefix, "x-display"), encoding="ascii") as handle:
        return handle.read().strip()


def self_check_count(manifest):
    """How many lines the self-check counts: one per kit scenario and one per pidctl case."""
    with open(manifest, encoding="utf-8") as handle:
        listed = json.load(handle)
    return (sum(len(library["scenarios"]) for library in listed["libraries"])
            + len(listed["pidctl_cases"]))


def decoded_as_text(data):
    """The bytes decoded from UTF-8, each byte that is not UTF-8 replaced, each run of
    replacement characters made one, and encoded again."""
    return re.sub("\ufffd+", "\ufffd", data.decode("utf-8", "replace")).encode("utf-8")


def trailing_backslash_faults(kit_folder, manifest, source, wineprefix):
    """The sample host hands the program an argument that ends in a backslash unchanged, as
    the first of radprobe's page-size arguments (which radprobe does not examine): the run
    gives the page-size golden."""
    with open(manifest, encoding="utf-8") as handle:
        timeout_ms = json.load(handle)["timeouts_ms"]["ends"]
    scenario = os.path.join(kit_folder, "scenarios", "display_library", "page_size.json")
    command = [os.path.join(kit_folder, "radprobe.exe"), "C:\\dir\\", "2"]
    printout, _ = run_sample_host(os.path.join(kit_folder, "sample_host.exe"), timeout_ms,
                                  command, {"ADL_SIM_SCENARIO": windows_path(scenario)},
                                  wineprefix)
    name = "radprobe.exe with C:\\dir\\ 2"
    if printout is None:
        return [f"{name}: the sample host printed nothing it should, or did not end"]
    return ending_run_faults(name, printout, os.path.join(source, "radprobe/tests/golden/page_size"))


def kit_copy_faults(kit_folder, manifest, wineprefix, late_host):
    """Copies of the kit, each with one difference that the self-check must report: the
    self-check of each, given that scenario alone, fails it and ends with a non-zero status."""
    scenarios = [(library, scenario) for library in kit_libraries(manifest)
                 for scenario in library["scenarios"]]
    differences = (("one expected byte changed", one_byte_changed),
                   ("letters in a {{LINE}} place", letters_in_a_line_place),
                   ("a crash's expected standard error not empty", crash_error_not_empty),
                   ("a host that ends a hung run 3 s late",
                    lambda copy, scenarios: late_sample_host(copy, scenarios, late_host)))
    faults = []
    for index, (name, make_difference) in enumerate(differences):
        copy = f"{kit_folder.rstrip('/')} copy {index}"
        shutil.copytree(kit_folder, copy)
        library, scenario = make_difference(copy, scenarios)
        listing_only(copy, library, scenario)
        faults += self_check_faults(f"kit copy with {name}", copy, wineprefix,
                                    "0 passed, 1 failed", False,
                                    failing=f"{library['program']} {scenario['name']}: FAILED")
    return faults


def listing_only(copy, library, scenario):
    """The copy's self-check lists only the scenario that its difference touches and no pidctl
    case: the run is short, and no other run, slowed by a busy machine or by a stand-in for the
    sample host, can add a failure of its own."""
    path = os.path.join(copy, "kit_check.json")
    with open(path, encoding="utf-8") as handle:
        listed = json.load(handle)
    listed["scenarios"] = [item for item in listed["scenarios"]
                           if (item["folder"], item["name"]) == (library["folder"],
                                                                 scenario["name"])]
    listed["pidctl_cases"] = []
    with open(path, "w", encoding="utf-8") as handle:
        json.dump(listed, handle, ensure_ascii=False, indent=2)


def expected_file(copy, library, scenario, suffix):
    return os.path.join(copy, "expected", library["folder"], f"{scenario['name']}.{suffix}")


def one_byte_changed(copy, scenarios):
    """The first expected standard output that holds anything differs in its first byte."""
    for library, scenario in scenarios:
        path = expected_file(copy, library, scenario, "stdout")
        if not hangs(scenario) and os.path.getsize(path) > 0:
            with open(path, "r+b") as handle:
                first = handle.read(1)
                handle.seek(0)
                handle.write(bytes([first[0] ^ 1]))
            return library, scenario
    raise ValueError("no kit scenario has an expected standard output")


def letters_in_a_line_place(copy, scenarios):
    """The first expected standard output that holds letters has {{LINE}} in place of its
    first word: a {{LINE}} that the self-check lets match letters passes it."""
    for library, scenario in scenarios:
        path = expected_file(copy, library, scenario, "stdout")
        if hangs(scenario):
            continue
        with open(path, "rb") as handle:
            expected = handle.read()
        if re.search(rb"[A-Za-z]", expected):
            with open(path, "wb") as handle:
                handle.write(re.sub(rb"[A-Za-z]+", b"{{LINE}}", expected, count=1))
            return library, scenario
    raise ValueError("no kit scenario has letters in its expected standard output")


def crash_error_not_empty(copy, scenarios):
    """The first crash scenario expects a line on standard error, where a crash leaves none."""
    for library, scenario in scenarios:
        if scenario.get("crashes", False):
            with open(expected_file(copy, library, scenario, "stderr"), "wb") as handle:
                handle.write(b"Unhandled exception: page fault on write access\r\n")
            return library, scenario
    raise ValueError("no kit scenario crashes")


def late_sample_host(copy, scenarios, late_host):
    """The sample host is a stand-in that runs it and ends a hung run 3 s late."""
    os.replace(os.path.join(copy, "sample_host.exe"), os.path.join(copy, "sample_host_on_time.exe"))
    shutil.copy(late_host, os.path.join(copy, "sample_host.exe"))
    return next((library, scenario) for library, scenario in scenarios if hangs(scenario))


def status_rule_faults(kit_folder, manifest, wineprefix):
    """The self-check's status counts even when its lines are all there: a stand-in that
    prints the lines of a self-check that passed every scenario and ends with 1 fails the
    rule."""
    count = sum(len(library["scenarios"]) for library in kit_libraries(manifest))
    closing_line = f"{count} passed, 0 failed"
    lines = [f"{library['program']} {scenario['name']}: passed"
             for library in kit_libraries(manifest) for scenario in library["scenarios"]]
    stand_in = [sys.executable, "-c", "import sys; print(sys.argv[1]); sys.exit(1)",
                "\n".join(lines + [closing_line])]
    name = "self-check stand-in that ends with 1"
    found = self_check_faults(name, kit_folder, wineprefix, closing_line, True, command=stand_in)
    if found != [f"{name}: the self-check ended with status 1"]:
        return [f"the verdict on a self-check that passes every scenario and ends with 1 is "
                f"{found}"]
    return []


def check_kit_host_runs(product, kit, manifest, source, wineprefix, late_host):
    faults = []
    with tempfile.TemporaryDirectory(prefix="kit-host-runs-") as scratch:
        kit_folder = unpack_kit(scratch, product, kit)
        faults += self_check_faults("kit", kit_folder, wineprefix,
                                    f"{self_check_count(manifest)} passed, 0 failed", True)
        # The time-outs ended the hung runs through the sample host's job: nothing of the
        # unpacked kit may still run (Wine runs each Windows process as a Linux one).
        faults += leftover_faults("kit", os.path.basename(scratch))
        faults += trailing_backslash_faults(kit_folder, manifest, source, wineprefix)
        faults += status_rule_faults(kit_folder, manifest, wineprefix)
        faults += kit_copy_faults(kit_folder, manifest, wineprefix, late_host)
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
        # Stripped: no symbol table and no debug sections, which would more than double the
        # size of each executable and hand out the names of its functions.
        if image.FILE_HEADER.PointerToSymbolTable != 0:
            faults.append(f"{name}: has a symbol table; it is not stripped")
        faults += [f"{name}: has the debug section {section}" for section in section_names(image)
                   if section.startswith(".debug")]
    return faults


def section_names(image):
    """The names of the image's sections; a name longer than eight bytes is stored as "/n", an
    offset into the string table that follows the symbol table."""
    strings = image.FILE_HEADER.PointerToSymbolTable + 18 * image.FILE_HEADER.NumberOfSymbols
    names = []
    for section in image.sections:
        name = section.Name.rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and name[1:].isdigit() and image.FILE_HEADER.PointerToSymbolTable:
            start = strings + int(name[1:])
            name = image.__data__[start:image.__data__.find(b"\0", start)].decode("latin-1")
        names.append(name)
    return names


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


# The bill of materials (sbom.cdx.json) and signed releases.
BILL_OF_MATERIALS = "sbom.cdx.json"
# The notices' section of code compiled in names the copyright file of its Debian package;
# a licence text that a package keeps elsewhere (the GPL 3) names that file.
NOTICED_CODE = re.compile(r"^Debian package (\S+) (\S+): /usr/share/doc/\1/copyright$",
                          re.MULTILINE)
DEBIAN_PURL = re.compile(r"pkg:deb/debian/([^@]+)@([^?]+)\?arch=\S+")


def schema_validator(schema_path):
    """A validator of the CycloneDX schema, whose references to its neighbours (the SPDX
    licence list, the JSON signature format) resolve to the files beside it, never to the
    network."""
    folder = os.path.dirname(schema_path)
    with open(schema_path, encoding="utf-8") as handle:
        schema = json.load(handle)
    store = {}
    for name in os.listdir(folder):
        if name.endswith(".schema.json"):
            with open(os.path.join(folder, name), encoding="utf-8") as handle:
                neighbour = json.load(handle)
            store[urllib.parse.urljoin(schema["$id"], name)] = neighbour
            store[neighbour.get("$id", name)] = neighbour

    def offline(uri):
        raise jsonschema.RefResolutionError(f"{uri} is not beside {schema_path}")

    resolver = jsonschema.RefResolver.from_schema(schema, store=store,
                                                  handlers={"http": offline, "https": offline})
    return jsonschema.Draft7Validator(schema, resolver=resolver,
                                      format_checker=jsonschema.FormatChecker())


def bill_of_materials_faults(validator, archive):
    """The zip's bill of materials is valid CycloneDX 1.5; its components are exactly the code
    that its notices name, at the same Debian versions; each executable and library of the zip
    contains the statically linked runtimes; and it holds the SHA-256 of every other file."""
    files = zip_files(archive)
    zip_name = os.path.basename(archive)
    if BILL_OF_MATERIALS not in files:
        return [f"{zip_name}: no {BILL_OF_MATERIALS}"]
    bill = json.loads(files[BILL_OF_MATERIALS])
    faults = [f"{zip_name}: {BILL_OF_MATERIALS} at {'/'.join(map(str, error.absolute_path))}: "
              f"{error.message}" for error in validator.iter_errors(bill)]
    if bill.get("specVersion") != "1.5":
        faults.append(f"{zip_name}: specVersion {bill.get('specVersion')!r}, not '1.5'")
    components = {}
    for component in bill.get("components", []):
        match = DEBIAN_PURL.fullmatch(component.get("purl", ""))
        if match is None or not component.get("licenses"):
            faults.append(f"{zip_name}: component {component.get('name')!r} lacks a Debian "
                          f"package URL or a licence")
            continue
        components[match.group(1)] = urllib.parse.unquote(match.group(2))
    noticed = dict(NOTICED_CODE.findall(files.get("THIRD-PARTY-NOTICES.txt", b"").decode()))
    if components != noticed:
        faults.append(f"{zip_name}: the components {components} are not the code that "
                      f"THIRD-PARTY-NOTICES.txt names, {noticed}")
    # Each executable and library contains the runtimes that the notices name.
    contains = {item.get("ref"): item.get("dependsOn", []) for item in bill.get("dependencies", [])}
    runtimes = {component["purl"] for component in bill.get("components", [])
                if DEBIAN_PURL.fullmatch(component.get("purl", ""))
                and DEBIAN_PURL.fullmatch(component["purl"]).group(1) in STATIC_RUNTIMES}
    faults += [f"{zip_name}: {BILL_OF_MATERIALS} does not list the runtimes in {name}"
               for name in sorted(files) if name.endswith((".exe", ".dll"))
               and not runtimes <= set(contains.get(name, []))]
    project = bill.get("metadata", {}).get("component", {})
    hashes = {part.get("name"): [item.get("content") for item in part.get("hashes", [])
                                 if item.get("alg") == "SHA-256"]
              for part in project.get("components", [])}
    shipped = {name: [hashlib.sha256(data).hexdigest()] for name, data in files.items()
               if name not in (BILL_OF_MATERIALS, "SHA256SUMS")}
    faults += [f"{zip_name}: {BILL_OF_MATERIALS} gives {name} the SHA-256 {hashes.get(name)}, "
               f"not {shipped.get(name)}" for name in sorted(hashes.keys() | shipped.keys())
               if hashes.get(name) != shipped.get(name)]
    return faults


def check_bill_of_materials(schema, *archives):
    validator = schema_validator(schema)
    return [fault for archive in archives for fault in bill_of_materials_faults(validator, archive)]


def check_signed_packs(cpack, config, folder):
    """A throwaway self-signed code-signing certificate; the build packed twice with it."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    key, certificate, pkcs12 = (os.path.join(folder, name) for name in
                                ("key.pem", "certificate.pem", "certificate.p12"))
    password = os.urandom(12).hex()
    run_quietly(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                      "-subj", "/CN=Console GPU helpers throwaway code signing", "-addext",
                      "extendedKeyUsage=codeSigning", "-addext", "keyUsage=digitalSignature",
                      "-keyout", key, "-out", certificate])
    run_quietly(["openssl", "pkcs12", "-export", "-inkey", key, "-in", certificate,
                      "-out", pkcs12, "-passout", "env:CODE_SIGNING_PASSWORD"],
                     CODE_SIGNING_PASSWORD=password)
    packs = [os.path.join(folder, name) for name in ("first", "second")]
    for pack in packs:
        run_quietly([cpack, "--config", config, "-B", pack], CODE_SIGNING_PKCS12=pkcs12,
                         CODE_SIGNING_PASSWORD=password)
    return same_bytes_faults(*packs, sorted(entry for entry in os.listdir(packs[0])
                                            if os.path.isfile(os.path.join(packs[0], entry))))


def without_signature(name, data):
    """The executable's bytes with its Authenticode signature removed by osslsigncode."""
    with tempfile.TemporaryDirectory() as scratch:
        signed, unsigned = os.path.join(scratch, name), os.path.join(scratch, "unsigned-" + name)
        with open(signed, "wb") as handle:
            handle.write(data)
        run_quietly(["osslsigncode", "remove-signature", "-in", signed, "-out", unsigned])
        with open(unsigned, "rb") as handle:
            return handle.read()


def signature_faults(name, data, certificate):
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, name)
        with open(path, "wb") as handle:
            handle.write(data)
        result = subprocess.run(["osslsigncode", "verify", "-CAfile", certificate, "-in", path],
                                capture_output=True, text=True)
    if result.returncode != 0 or "Message digest algorithm  : SHA256" not in result.stdout:
        return [f"{name}: no valid SHA-256 signature by the certificate:\n{result.stdout}"
                f"{result.stderr}"]
    return []


def certificate_table_size(data):
    image = pefile.PE(data=data, fast_load=True)
    return image.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]].Size


def check_signed_zip(signed, unsigned, certificate, schema, version, *programs):
    """Each program of the signed zip carries a SHA-256 signature that verifies against the
    certificate, and is the unsigned zip's program (which carries none) once the signature is
    removed; the zip's SHA256SUMS, its .sha256 and its bill of materials describe the signed
    bytes; its version resources are intact."""
    files, unsigned_files = zip_files(signed), zip_files(unsigned)
    faults = []
    for name in programs:
        if certificate_table_size(unsigned_files[name]) != 0:
            faults.append(f"{name}: signed in the zip made without a certificate")
        faults += signature_faults(name, files[name], certificate)
        if without_signature(name, files[name]) != unsigned_files[name]:
            faults.append(f"{name}: without its signature, not the unsigned program")
    faults += checksum_faults(files)
    with open(signed + ".sha256", encoding="ascii") as handle:
        if handle.read().split()[0] != hashlib.sha256(open(signed, "rb").read()).hexdigest():
            faults.append(f"{os.path.basename(signed)}.sha256: wrong checksum of the zip")
    faults += bill_of_materials_faults(schema_validator(schema), signed)
    return faults + check_zip_version(signed, version, *programs)


def check_signed_runs(signed, kit, manifest, source, winrun, wineprefix):
    """The signed programs give the kit scenarios' goldens, and pidctl its usage golden."""
    faults = check_kit_runs(signed, kit, manifest, source, winrun, wineprefix)
    with tempfile.TemporaryDirectory() as scratch:
        with zipfile.ZipFile(signed) as package:
            package.extractall(scratch)
        pidctl = os.path.join(scratch, top_folder(signed), "pidctl.exe")
        faults += golden_run_faults(os.path.join(source, "pidctl/tests/wine/golden/usage"), [],
                                    [pidctl], ["--wine", winrun, "--wineprefix", wineprefix])
    return faults


def run_quietly(command, cwd=None, **variables):
    """Runs the command, in the environment with the variables given; ends the check with its
    output when it fails."""
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                            env=dict(os.environ, **variables))
    if result.returncode != 0:
        sys.exit(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}")


def check_rebuild(cmake, source, preset, first, second, *targets):
    run_quietly([cmake, "-S", source, "--preset", preset, "-B", second,
                 "-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON"])
    run_quietly([cmake, "--build", second, "-j", "2", "--target", *targets])
    cpack = os.path.join(os.path.dirname(cmake), "cpack")
    run_quietly([cpack, "--config", os.path.join(second, "CPackConfig.cmake")], cwd=second)
    compared = [os.path.join(folder, name) for folder in ("bin", "package")
                for name in sorted(os.listdir(os.path.join(first, folder)))
                if os.path.isfile(os.path.join(first, folder, name))]
    return same_bytes_faults(first, second, compared)


def same_bytes_faults(first, second, paths):
    """A fault for each of the paths whose file in the folder second is missing or holds other
    bytes than in the folder first, naming the entries that differ when it is a zip."""
    faults = []
    for path in paths:
        one, other = os.path.join(first, path), os.path.join(second, path)
        if not os.path.exists(other) or open(one, "rb").read() != open(other, "rb").read():
            entries = differing_entries(one, other) if os.path.exists(other) else "missing"
            faults.append(f"{path} differs between {first} and {second}"
                          + (f" ({entries})" if entries else ""))
        else:
            print(f"same bytes: {path}")
    return faults


def differing_entries(first, second):
    if not first.endswith(".zip"):
        return ""
    one, other = zip_files(first), zip_files(second)
    return ", ".join(sorted(name for name in one.keys() | other.keys()
                            if one.get(name) != other.get(name)))


CHECKS = {"folder": check_folder, "zip-contents": check_zip_contents,
          "changed-copies": check_changed_copies, "kit-contents": check_kit_contents,
          "kit-runs": check_kit_runs, "kit-host-runs": check_kit_host_runs,
          "zip-imports": check_zip_imports, "zip-hardening": check_zip_hardening,
          "zip-version": check_zip_version, "deb": check_deb, "lintian": check_lintian,
          "rebuild": check_rebuild, "bill-of-materials": check_bill_of_materials,
          "signed-packs": check_signed_packs, "signed-zip": check_signed_zip,
          "signed-runs": check_signed_runs}


def main():
    check, *arguments = sys.argv[1:]
    faults = CHECKS[check](*arguments)
    if faults:
        sys.exit("\n".join(faults))


if __name__ == "__main__":
    main()
