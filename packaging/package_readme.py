#!/usr/bin/env python3
"""Writes the README of a Windows package from the project's own READMEs, so that what a
package tells its readers is written once, where the developers keep it.

    package_readme.py product README.md OUTPUT_FILE VERSION
    package_readme.py kit SOURCE_DIR OUTPUT_DIR VERSION

product: the README for the authors of host applications, made of the project README's
section "For host authors" and each program's section; how the programs are tested stands in
sections of its own, which stay out.

kit: the test kit's folder of files that are made rather than built: its README
(the test kit section of kit/README.md; a table of the kit's scenarios with how each run
ends, the status of the suite's golden for it or, for a scenario that hangs, the host's
time-out, and each one's description; the two scenario formats from the simulated libraries' READMEs);
under scenarios/<folder>/, the scenario files that kit/kit.json lists, copied
unchanged; under expected/<folder>/, for each scenario that ends, the status and the two
streams of its golden, with CR LF line ends as the Windows programs write them; and
kit_check.json, the self-check's list of the scenarios, whether each hangs and its time-out,
and of pidctl's cases. The README's table of pidctl's cases comes from kit/kit.json too: what
each case runs and checks, and what it expects on Windows and under Wine.
"""
import json
import os
import re
import shutil
import sys

PRODUCT_SECTIONS = ("For host authors", "zeprobe", "radprobe", "pidctl")
KIT_SECTION = ("kit/README.md", "The test kit for host authors")
FORMAT_SECTIONS = (("simulated/level_zero/README.md", "Level Zero scenario format"),
                   ("simulated/display_library/README.md", "Display library scenario format"))


def sections(path):
    """Maps each "## " heading of the file to its section, heading line included."""
    with open(path, encoding="utf-8") as handle:
        parts = re.split(r"^(?=## )", handle.read(), flags=re.MULTILINE)
    return {part.splitlines()[0][3:].strip(): part.rstrip("\n") + "\n" for part in parts
            if part.startswith("## ")}


def section(path, heading):
    found = sections(path)
    if heading not in found:
        sys.exit(f"{path}: no section {heading}")
    return found[heading]


def write(path, title, intro, parts):
    text = f"# {title}\n\n{intro}\n\n" + "\n".join(parts)
    with open(path, "w", encoding="utf-8", newline="\n") as handle:
        handle.write(text.rstrip("\n") + "\n")


def product(readme, output, version):
    write(output, f"Console GPU helpers {version}",
          "How a host application runs `zeprobe.exe`, `radprobe.exe` and `pidctl.exe`, and\n"
          "what each one reports. The report schemas are in `schemas/`.",
          [section(readme, name) for name in PRODUCT_SECTIONS])


def hangs(scenario):
    return scenario.get("hangs", False)


def golden_prefix(source_dir, library, scenario):
    return os.path.join(source_dir, library["goldens"], scenario.get("golden", scenario["name"]))


def how_it_ends(source_dir, library, scenario):
    """The exit status that the suite's golden pins, or the time-out of a scenario that hangs."""
    if hangs(scenario):
        return "never by itself: your time-out ends it"
    with open(golden_prefix(source_dir, library, scenario) + ".status", encoding="ascii") as handle:
        status = int(handle.read())
    if scenario.get("crashes", False):
        return f"by the crash: status {status} (0x{status:08X})"
    return f"status {status}"


def scenario_table(source_dir, library):
    rows = [f"### `{library['program']}` with `{library['library']}` "
            f"(`{library['variable']}`)\n",
            "| Scenario | Ends | What the host sees |", "|---|---|---|"]
    for scenario in library["scenarios"]:
        path = os.path.join(source_dir, library["source"], scenario["name"] + ".json")
        with open(path, encoding="utf-8") as handle:
            description = json.load(handle)["description"]
        command = " ".join([library["program"]] + scenario.get("arguments", []))
        rows.append(f"| `scenarios/{library['folder']}/{scenario['name']}.json`, run as "
                    f"`{command}` | {how_it_ends(source_dir, library, scenario)} | "
                    f"{description.replace('|', '/')} |")
    return "\n".join(rows) + "\n"


def pidctl_case_table(manifest):
    rows = ["### `pidctl.exe` on `console_target.exe`\n",
            "| Case | Runs | What it checks | Expected on Windows | Expected under Wine |",
            "|---|---|---|---|---|"]
    for case in manifest["pidctl_cases"]:
        rows.append(f"| `{case['name']}` | `{case['runs']}` | {case['checks']} | "
                    f"{case['windows']} | {case['wine']} |")
    return "\n".join(rows) + "\n"


def copy_scenarios(source_dir, output_dir, library):
    folder = os.path.join(output_dir, "scenarios", library["folder"])
    os.makedirs(folder, exist_ok=True)
    for scenario in library["scenarios"]:
        shutil.copyfile(os.path.join(source_dir, library["source"], scenario["name"] + ".json"),
                        os.path.join(folder, scenario["name"] + ".json"))


def write_expected(source_dir, output_dir, library):
    """The golden status and streams of each scenario that ends, with CR LF line ends."""
    folder = os.path.join(output_dir, "expected", library["folder"])
    os.makedirs(folder, exist_ok=True)
    for scenario in library["scenarios"]:
        if hangs(scenario):
            continue
        for suffix in ("status", "stdout", "stderr"):
            with open(f"{golden_prefix(source_dir, library, scenario)}.{suffix}", "rb") as handle:
                text = handle.read()
            with open(os.path.join(folder, f"{scenario['name']}.{suffix}"), "wb") as handle:
                handle.write(text.replace(b"\n", b"\r\n"))


def check_list(manifest):
    """kit_check.json: each scenario with its program, arguments, variable, whether it hangs,
    and its time-out; then each pidctl case with the time-out of each run of pidctl.exe."""
    scenarios = [{"name": scenario["name"], "folder": library["folder"],
                  "program": library["program"], "variable": library["variable"],
                  "arguments": scenario.get("arguments", []), "hangs": hangs(scenario),
                  "timeout_ms": manifest["timeouts_ms"]["hangs" if hangs(scenario) else "ends"]}
                 for library in manifest["libraries"] for scenario in library["scenarios"]]
    cases = [{"name": case["name"], "timeout_ms": manifest["timeouts_ms"]["ends"]}
             for case in manifest["pidctl_cases"]]
    return {"description": "The scenarios and the pidctl cases that kit_check.exe runs, in this "
                           "order; see README.md.",
            "scenarios": scenarios, "pidctl_cases": cases}


def kit(source_dir, output_dir, version):
    with open(os.path.join(source_dir, "kit", "kit.json"), encoding="utf-8") as handle:
        manifest = json.load(handle)
    libraries = manifest["libraries"]
    shutil.rmtree(output_dir, ignore_errors=True)
    os.makedirs(output_dir)
    for library in libraries:
        copy_scenarios(source_dir, output_dir, library)
        write_expected(source_dir, output_dir, library)
    with open(os.path.join(output_dir, "kit_check.json"), "w", encoding="utf-8",
              newline="\n") as handle:
        json.dump(check_list(manifest), handle, indent=2)
        handle.write("\n")
    tables = "".join("\n" + scenario_table(source_dir, library) for library in libraries)
    parts = [section(os.path.join(source_dir, KIT_SECTION[0]), KIT_SECTION[1]),
             "## Scenarios\n" + tables, "## pidctl's cases\n\n" + pidctl_case_table(manifest)]
    parts += [section(os.path.join(source_dir, path), heading) for path, heading in FORMAT_SECTIONS]
    write(os.path.join(output_dir, "README.md"),
          f"Console GPU helpers {version}: test kit for host authors",
          "Simulated versions of the two vendor libraries that `zeprobe.exe` and `radprobe.exe`\n"
          "load, and scenario files that make them show every outcome a host must handle.",
          parts)


def main():
    mode, source, output, version = sys.argv[1:]
    {"product": product, "kit": kit}[mode](source, output, version)


if __name__ == "__main__":
    main()
