"""Random machines for the simulated display library (simulated/display_library/README.md), and what a run
of radprobe on one of them must show: its status, its messages and its report."""
import json
import os
import re

from random_values import (INT32_MAX, INT32_MIN, INT64_MIN, int32, int64, is_utf8, odd_bytes,
                           scenario_random, small_count, weighted)
from run_checks import (ProgramRules, json_prefix_problem, parse_strict_json, report_text,
                        stderr_problems)

ADL_RESULTS = [0, 1, 2, 3, 4, -1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12, -13, -19, -20,
               -21, -22, 5, INT32_MIN, INT32_MAX]
# Largest count whose record array still has a byte size that fits 32 bits.
ADL_RECORD_SIZE = 1572
ADL_LARGEST_COUNT = INT32_MAX // ADL_RECORD_SIZE


def adl_result(rng, success_weight=6):
    return weighted(rng, [(success_weight, 0), (2, 1), (3, lambda: rng.choice(ADL_RESULTS)),
                          (1, lambda: rng.randint(INT32_MIN, INT32_MAX))])


def adl_text(rng):
    data = odd_bytes(rng)
    if is_utf8(data) and rng.random() < 0.6:
        return data.decode("utf-8")
    return {"hex": data.hex()}


def adl_group(rng, fields, success_weight=6, presence=0.8):
    """A per-adapter group with a result and some of its fields, or None (left out)."""
    if rng.random() >= presence:
        return None
    group = {}
    if rng.random() < 0.8:
        group["result"] = adl_result(rng, success_weight)
    for key, value in fields:
        if rng.random() < 0.85:
            group[key] = value()
    return group


def adl_adapter(rng, position, indexes):
    adapter = {}
    adapter["index"] = weighted(rng, [(8, position), (1, lambda: rng.choice(indexes) if indexes else 0),
                                      (1, lambda: int32(rng))])
    indexes.append(adapter["index"])
    adapter["vendor_id"] = weighted(rng, [(8, 1002), (1, 4098), (1, lambda: int32(rng))])
    for key in ("bus", "device"):
        adapter[key] = weighted(rng, [(6, lambda: rng.randint(0, 4)), (1, lambda: int32(rng))])
    for key in ("function", "os_display_index", "present", "exist"):
        if rng.random() < 0.7:
            adapter[key] = weighted(rng, [(3, lambda: rng.randint(0, 2)), (1, lambda: int32(rng))])
    for key in ("udid", "name", "display_name", "driver_path", "driver_path_ext", "pnp_string"):
        if rng.random() < 0.8:
            adapter[key] = adl_text(rng)
    groups = {
        "asic_family": adl_group(rng, [("types", lambda: int32(rng)), ("valids", lambda: int32(rng))]),
        "memory": adl_group(rng, [("size", lambda: int64(rng)), ("type", lambda: adl_text(rng)),
                                  ("bandwidth", lambda: int64(rng))]),
        "bios": adl_group(rng, [("part_number", lambda: adl_text(rng)),
                                ("version", lambda: adl_text(rng)),
                                ("date", lambda: adl_text(rng))]),
        "overdrive_caps": adl_group(rng, [
            ("supported", lambda: weighted(rng, [(6, 1), (2, 0), (1, lambda: int32(rng))])),
            ("enabled", lambda: weighted(rng, [(4, 1), (2, 0), (1, lambda: int32(rng))])),
            ("version", lambda: weighted(rng, [(2, 5), (2, 6), (1, 7), (6, 8), (3, 9), (1, 0),
                                               (1, lambda: int32(rng))]))], presence=0.85),
        "temperature": adl_group(rng, [("value", lambda: int32(rng))]),
        "fan_percent": adl_group(rng, [("value", lambda: int32(rng))]),
        "fan_rpm": adl_group(rng, [("value", lambda: int32(rng))]),
        "activity": adl_group(rng, [(key, lambda: int32(rng)) for key in (
            "engine_clock", "memory_clock", "vddc", "activity_percent", "performance_level",
            "bus_speed", "bus_lanes", "maximum_bus_lanes")]),
        "power": adl_group(rng, [("value", lambda: int32(rng))]),
        "page_size": adl_group(rng, [], success_weight=4),
    }
    pmlog = adl_group(rng, [], success_weight=10, presence=0.85)
    if pmlog is not None and rng.random() < 0.9:
        # Sensor 15 (fan percent) makes the program skip the Overdrive 8 settings, so it is
        # drawn less often than the others.
        used = [1, 2, 8, 14, 19, 20, 21, 23]
        sensors = {}
        for _ in range(small_count(rng, [1, 1, 2, 2, 2, 2, 1, 1, 1, 1])):
            number = weighted(rng, [(6, lambda: rng.choice(used)), (0.4, 15), (1, 0), (1, 255),
                                    (1, lambda: rng.randint(0, 255))])
            sensors[str(number)] = int32(rng)
        pmlog["sensors"] = sensors
    groups["pmlog"] = pmlog
    settings = adl_group(rng, [("capabilities", lambda: int32(rng))], presence=0.85)
    if settings is not None:
        feature_count = weighted(rng, [(4, None), (2, 52), (1, 0), (1, -1), (1, 1), (1, 11),
                                       (1, 12), (1, 51), (1, 53), (1, 256), (1, 257),
                                       (1, INT32_MAX), (1, INT32_MIN)])
        if feature_count is not None:
            settings["feature_count"] = feature_count
        listed = min(max(52 if feature_count is None else feature_count, 1), 256)
        if rng.random() < 0.2:
            settings["hands_over_list"] = rng.choice([0, 1, -1])
        entries = {}
        for _ in range(small_count(rng, [1, 2, 2, 1])):
            position = weighted(rng, [(4, 11), (1, 0), (1, listed - 1),
                                      (1, lambda: rng.randint(0, listed - 1))])
            if position < listed:
                entries[str(position)] = {key: int32(rng) for key in ("feature_id", "min", "max", "default")
                                          if rng.random() < 0.8}
        if entries:
            settings["entries"] = entries
    groups["od8_settings"] = settings
    for key, group in groups.items():
        if group is not None:
            adapter[key] = group
    return adapter


def adl_scenario(rng):
    scenario = {"description": "random scenario"}
    if rng.random() < 0.15:
        scenario["create"] = {"result": adl_result(rng, success_weight=3)}
    if rng.random() < 0.85:
        versions = {}
        if rng.random() < 0.7:
            versions["result"] = adl_result(rng)
        for key in ("driver_ver", "catalyst_version", "crimson_version", "catalyst_web_link"):
            if rng.random() < 0.7:
                versions[key] = adl_text(rng)
        scenario["versions"] = versions
    count = small_count(rng, [3, 6, 4, 2, 1, 1])
    indexes = []
    adapters = [adl_adapter(rng, position, indexes) for position in range(count)]
    if adapters or rng.random() < 0.5:
        scenario["adapters"] = adapters
    if rng.random() < 0.3:
        group = {}
        if rng.random() < 0.4:
            group["result"] = adl_result(rng, success_weight=4)
        if rng.random() < 0.8:
            group["count"] = weighted(rng, [
                (3, 0), (2, -1), (2, INT32_MIN), (2, INT32_MAX), (2, count + 1), (2, max(count - 1, 0)),
                (0.3, ADL_LARGEST_COUNT), (1, ADL_LARGEST_COUNT + 1), (1, 100000),
                (1, lambda: rng.randint(-10, 10))])
        scenario["adapter_count"] = group
    if rng.random() < 0.15:
        scenario["adapter_info"] = {"result": adl_result(rng, success_weight=3)}
    arguments = weighted(rng, [
        (5, []),
        (4, lambda: [rng.choice(["setPageSize", "x", ""]), rng.choice(["1", "2"])]),
        (0.6, lambda: [rng.choice(["setPageSize", "x"]),
                     rng.choice([" +1.9", "2abc", "\t2", "-1", "0", "3", "abc", "", "2147483648",
                                 "-2147483648", "+", "1\n2", "\xe9"])]),
        (0.3, lambda: rng.choice([["setPageSize"], ["setPageSize", "1", "2"]])),
    ])
    return scenario, arguments, {}


def adl_reported_count(scenario):
    return scenario.get("adapter_count", {}).get("count", len(scenario.get("adapters", [])))


def adl_time_bound(scenario, base):
    # A reported adapter count is a buffer of that many records that the program zeroes and
    # walks: 2 GiB for the largest count that can be allocated.
    return base + 2e-5 * max(adl_reported_count(scenario), 0)


def adl_expected_status(scenario, arguments):
    """1 when the run must end early, else 0. Only these end radprobe: refused arguments, a
    failing result (other than ADL_OK or ADL_OK_WARNING) of the context creation, the adapter
    count or, when the count is positive, the adapter list, and a count whose buffer exceeds the
    library's 32-bit size argument. Any buffer within it fits the address space granted."""
    def fails(group):
        return not 0 <= scenario.get(group, {}).get("result", 0) <= 1
    count = adl_reported_count(scenario)
    fatal = ((bool(arguments) and not page_size_mode(arguments)) or fails("create")
             or fails("adapter_count") or count > ADL_LARGEST_COUNT
             or (count > 0 and fails("adapter_info")))
    return 1 if fatal else 0


# ---------------------------------------------------------------------------------------------
# What a run must show

ADL_MESSAGES = [
    re.compile(r"ADL error (-?[0-9]+) in func 'main' at line [0-9]+ : ADL_[A-Z_]+\."),
    re.compile(r"ADL_[A-Z_]+"),
    re.compile(r"bad allocation"),
    re.compile(r"Wrong args count\. Usage: radprobe \[setPageSize pageSize\]"),
    re.compile(r"Bad args\. Usage: radprobe \[setPageSize pageSize\]"),
    re.compile(r"Bad args\. pageSize shoud be 1 or 2"),
]


PAGE_SIZE_PREFIX = "Set PageSize: "
PAGE_SIZE_LINE = re.compile(rb"Set PageSize: ADL_[A-Z_]+")


def page_size_mode(arguments):
    if len(arguments) != 2:
        return False
    match = re.match(r"[ \t\n\v\f\r]*([+-]?)([0-9]+)", arguments[1])
    return bool(match) and match.group(1) != "-" and int(match.group(2)) in (1, 2)


def check_radprobe(status, stdout, stderr, arguments, sanitized):
    problems = stderr_problems(stderr, ADL_MESSAGES, sanitized)
    if stdout and not stdout.endswith(b"\n"):
        problems.append("standard output does not end with a line end")
    if b"\r" in stdout:
        problems.append("standard output holds a CR")
    page_lines = 0
    lines = stdout.split(b"\n")
    for number, line in enumerate(lines):
        if line.startswith(PAGE_SIZE_PREFIX.encode()):
            page_lines += 1
            if not PAGE_SIZE_LINE.fullmatch(line):
                problems.append("malformed page-size line %r" % line[:120])
            if not page_size_mode(arguments):
                problems.append("page-size line without a page size")
            if number + 1 < len(lines) and lines[number + 1] != b"    {":
                problems.append("page-size line not followed by an adapter object")
    text = report_text(stdout, PAGE_SIZE_PREFIX)
    if status == 0:
        if stderr:
            problems.append("status 0 with a message on standard error")
        try:
            document = parse_strict_json(text)
        except ValueError as error:
            problems.append("standard output is not one JSON document: %s" % error)
            return problems
        if not isinstance(document, dict) or not isinstance(document.get("gpus"), list):
            problems.append("the document is not an object with a \"gpus\" list")
        elif page_size_mode(arguments) and page_lines != len(document["gpus"]):
            problems.append("%d page-size lines for %d adapters" % (page_lines, len(document["gpus"])))
    elif status == 1:
        if not stderr:
            problems.append("status 1 without a message")
        problem = json_prefix_problem(text)
        if problem:
            problems.append("standard output is not a prefix of a JSON document: %s" % problem)
    return problems



def point_at_scenario(env, library, scenario_path):
    """The program loads the simulated library by its name from the library folder; the library
    reads the scenario."""
    env["LD_LIBRARY_PATH"] = os.path.dirname(library)
    env["ADL_SIM_SCENARIO"] = scenario_path
    env.pop("ADL_SIM_TRACE", None)
    env.pop("LD_PRELOAD", None)


RULES = ProgramRules(
    name="radprobe", folder="test_support", library="libatiadlxx.so", generate=adl_scenario, time_bound=adl_time_bound,
    check=check_radprobe, expected_status=adl_expected_status,
    point_at_scenario=point_at_scenario, strip_prefix=PAGE_SIZE_PREFIX)


def self_test(expect):
    """The checks reject broken outputs, and the scenarios reach the odd values, both modes and
    the largest adapter count."""
    ok = lambda problems: not problems
    head = b'{\n  "driver":\n  {\n  },\n  "gpus":\n  [\n'
    whole = head + b'    {\n      "name": "\xff\\\\",\n      "json_sentinel": null\n    }\n  ]\n}\n'
    paged = head + b'Set PageSize: ADL_OK\n    {\n      "json_sentinel": null\n    }\n  ]\n}\n'
    expect("radprobe: whole report", ok(check_radprobe(0, whole, b"", [], False)))
    expect("radprobe: page-size report", ok(check_radprobe(0, paged, b"", ["x", "1"], False)))
    expect("radprobe: page-size line in a plain run", not ok(check_radprobe(0, paged, b"", [], False)))
    expect("radprobe: malformed page-size line",
           not ok(check_radprobe(0, paged.replace(b"ADL_OK", b"ok"), b"", ["x", "1"], False)))
    expect("radprobe: fatal failure after the head",
           ok(check_radprobe(1, head, b"ADL error -8 in func 'main' at line 97 : ADL_ERR_NOT_SUPPORTED.\n"
                                      b"ADL_ERR_NOT_SUPPORTED\n", [], False)))
    expect("radprobe: cut inside a line", not ok(check_radprobe(1, head[:-3], b"bad allocation\n", [], False)))
    expect("radprobe: unescaped quote",
           not ok(check_radprobe(0, whole.replace(b"\xff", b'"'), b"", [], False)))
    expect("radprobe: raw control character",
           not ok(check_radprobe(0, whole.replace(b"\xff", b"\x1b"), b"", [], False)))
    expect("radprobe: truncated document with status 0",
           not ok(check_radprobe(0, head, b"", [], False)))
    expect("radprobe: message with status 0",
           not ok(check_radprobe(0, whole, b"bad allocation\n", [], False)))
    expect("radprobe: unknown message",
           not ok(check_radprobe(1, b"", b"terminate called after throwing\n", [], False)))

    adl_runs = [adl_scenario(scenario_random("radprobe", 1, index)) for index in range(1000)]
    adl_texts = [json.dumps(scenario) for scenario, _, _ in adl_runs]
    expect("radprobe runs in page-size mode",
           any(page_size_mode(arguments) for _, arguments, _ in adl_runs))
    expect("radprobe runs in plain mode", any(not arguments for _, arguments, _ in adl_runs))
    for wanted in ('"count": 0', '"count": -2147483648', '"count": %d' % ADL_LARGEST_COUNT,
                   '"hex": ', '"feature_count": -1', str(INT64_MIN), '\\"', '\\\\'):
        expect("radprobe scenarios hold " + wanted, any(wanted in text for text in adl_texts))
    expect("a radprobe scenario with the largest adapter count must succeed",
           any(adl_reported_count(scenario) == ADL_LARGEST_COUNT
               and adl_expected_status(scenario, arguments) == 0
               for scenario, arguments, _ in adl_runs))
