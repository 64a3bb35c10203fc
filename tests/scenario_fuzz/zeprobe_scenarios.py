"""Random machines for the simulated Level Zero driver (simulated/level_zero/README.md), and
what a run of zeprobe on one of them must show: its messages and its report."""
import json
import re

from random_values import (INT32_MAX, INT32_MIN, UINT32_MAX, UINT64_MAX, floating, int32, is_utf8,
                           odd_bytes, scenario_random, small_count, uint32, uint64, weighted)
from run_checks import (ADDRESS_SPACE_LIMIT, ProgramRules, interface_function_names,
                        parse_strict_json, stderr_problems)


ENERGY_SAMPLE_SECONDS = 0.1


def enum_value(rng, known):
    """A Level Zero enumeration value: one of the known ones mostly, else any in range."""
    return weighted(rng, [
        (8, lambda: rng.choice(known)), (2, 0x7fffffff), (1, 0x7ffffffe),
        (2, lambda: rng.randint(0, 20)), (1, lambda: rng.randint(0, 0x7fffffff))])


ZE_RESULTS = [1, 2, 3, 0x70000001, 0x70000002, 0x70000004, 0x78000001, 0x78000003, 0x78000004,
              0x7ffffffe, 0x7fffffff, -1, INT32_MIN, UINT32_MAX, 2**31, INT32_MAX]


def ze_result(rng):
    """A failure code (the format refuses 0, which would leave the call's output unwritten)."""
    return weighted(rng, [(10, lambda: rng.choice(ZE_RESULTS)),
                          (2, lambda: rng.choice([rng.randint(INT32_MIN, -1),
                                                  rng.randint(1, UINT32_MAX)]))])


def ze_fault(rng, calls_made=3):
    """A fault entry: every call, or the N-th call only (N may never be reached)."""
    result = ze_result(rng)
    form = weighted(rng, [(3, "plain"), (4, "nth"), (1, "zero-call"), (1, "far-call")])
    if form == "plain":
        return result
    if form == "nth":
        return {"result": result, "call": rng.randint(1, calls_made)}
    if form == "zero-call":
        return {"result": result, "call": 0}
    return {"result": result, "call": rng.choice([UINT32_MAX, 1000, rng.randint(4, 100)])}


def ze_faults(rng, functions, probability):
    faults = {}
    for function in functions:
        if rng.random() < probability:
            faults[function] = ze_fault(rng)
    return faults


def ze_counts(rng, functions, listed, probability):
    """Scripted enumeration counts: reported may be anything, filled may stay below."""
    counts = {}
    for function in functions:
        if rng.random() >= probability:
            continue
        n = listed[function]
        entry = {}
        if rng.random() < 0.7:
            entry["reported"] = weighted(rng, [
                (3, 0), (2, n + 1), (2, max(n - 1, 0)), (2, UINT32_MAX), (2, 2**31),
                (1, 2**29), (1, 2**28 + 3), (2, lambda: rng.randint(0, 64)), (1, n)])
        if rng.random() < 0.6 or not entry:
            entry["filled"] = weighted(rng, [(3, 0), (2, 1), (2, max(n - 1, 0)),
                                             (1, lambda: rng.randint(0, max(n, 0))), (1, UINT32_MAX)])
        counts[function] = entry
    return counts


def ze_name(rng, device):
    # A name that is not UTF-8 ends the run, so such names stay a minority.
    data = odd_bytes(rng, raw_share=0.15)
    if is_utf8(data) and rng.random() < 0.7:
        device["name"] = data.decode("utf-8")
    else:
        device["name"] = {"hex": data.hex()}


def ze_items(rng, counts, calls, failure_rate, make_item):
    """A list of small_count(rng, counts) objects made by make_item, each at times given
    faults of the calls it answers."""
    items = []
    for _ in range(small_count(rng, counts)):
        item = make_item()
        faults = ze_faults(rng, calls, failure_rate / 2)
        if faults:
            item["fail"] = faults
        items.append(item)
    return items


def ze_device(rng, failure_rate, power_rate):
    device = {}
    optional = [
        ("type", lambda: enum_value(rng, [0, 1, 2, 3, 4, 5, 6])),
        ("vendor_id", lambda: uint32(rng)), ("device_id", lambda: uint32(rng)),
        ("flags", lambda: uint32(rng)),
    ]
    for key, value in optional:
        if rng.random() < 0.85:
            device[key] = value()
    if rng.random() < 0.9:
        ze_name(rng, device)
    if rng.random() < 0.8:
        uuid = bytes(rng.randint(0, 255) for _ in range(16)).hex()
        if rng.random() < 0.5:
            uuid = "-".join([uuid[:8], uuid[8:12], uuid[12:16], uuid[16:20], uuid[20:]])
        device["uuid"] = rng.choice([uuid, uuid.upper()])
    if rng.random() < 0.8:
        device["pci_address"] = {key: uint32(rng) if rng.random() < 0.5 else rng.randint(0, 255)
                                for key in ("domain", "bus", "device", "function")
                                if rng.random() < 0.9}
    def memory_module():
        module = {"location": enum_value(rng, [0, 1, 1, 2])}
        for key in ("physical_size", "size", "free"):
            if rng.random() < 0.8:
                module[key] = uint64(rng)
        for key in ("bus_width", "num_channels"):
            if rng.random() < 0.8:
                module[key] = int32(rng)
        return module

    def reading(base, key, draw):
        if rng.random() < 0.9:
            base[key] = draw(rng)
        return base

    modules = ze_items(rng, [3, 4, 2, 1], ["zesMemoryGetProperties", "zesMemoryGetState"],
                       failure_rate, memory_module)
    sensors = ze_items(rng, [3, 4, 3, 2, 1],
                       ["zesTemperatureGetProperties", "zesTemperatureGetState"], failure_rate,
                       lambda: reading({"type": enum_value(rng, [0, 1, 2, 3, 4, 1, 2])},
                                       "temperature", floating))
    domains = ze_items(rng, [3, 4, 3, 2, 1],
                       ["zesFrequencyGetProperties", "zesFrequencyGetState"], failure_rate,
                       lambda: reading({"type": enum_value(rng, [0, 1, 2, 0, 1, 2])},
                                       "actual", floating))
    fans = ze_items(rng, [3, 4, 2, 1], ["zesFanGetState"], failure_rate,
                    lambda: reading({}, "speed", int32))
    for key, items in (("memory_modules", modules), ("temperature_sensors", sensors),
                       ("frequency_domains", domains), ("fans", fans)):
        if items or rng.random() < 0.3:
            device[key] = items
    if rng.random() < power_rate:
        first = {"energy": uint64(rng), "timestamp": uint64(rng)}
        second = weighted(rng, [
            (3, lambda: {"energy": first["energy"] + rng.randint(0, 10**7),
                         "timestamp": first["timestamp"] + rng.randint(0, 10**6)}),
            (2, lambda: {"energy": uint64(rng), "timestamp": uint64(rng)}),
            (1, lambda: dict(first))])
        samples = [first, second]
        for sample in samples:
            for key in ("energy", "timestamp"):
                sample[key] %= 2**64
        samples = samples[:weighted(rng, [(1, 1), (6, 2)])]
        power = {"energy_samples": samples}
        faults = ze_faults(rng, ["zesPowerGetEnergyCounter"], failure_rate)
        if faults:
            power["fail"] = faults
        device["card_power_domain"] = power
    device_calls = ["zeDeviceGetProperties", "zeDevicePciGetPropertiesExt",
                    "zesDeviceEnumMemoryModules", "zesDeviceEnumTemperatureSensors",
                    "zesDeviceEnumFrequencyDomains", "zesDeviceGetCardPowerDomain",
                    "zesDeviceEnumFans"]
    faults = ze_faults(rng, device_calls, failure_rate / 3)
    if faults:
        device["fail"] = faults
    counts = ze_counts(rng, ["zesDeviceEnumMemoryModules", "zesDeviceEnumTemperatureSensors",
                             "zesDeviceEnumFrequencyDomains", "zesDeviceEnumFans"],
                       {"zesDeviceEnumMemoryModules": len(modules),
                        "zesDeviceEnumTemperatureSensors": len(sensors),
                        "zesDeviceEnumFrequencyDomains": len(domains),
                        "zesDeviceEnumFans": len(fans)}, failure_rate / 2)
    if counts:
        device["counts"] = counts
    return device


def ze_api_version(rng):
    number = lambda: weighted(rng, [(4, lambda: rng.randint(0, 15)), (1, 0), (1, 65535),
                                    (1, lambda: rng.randint(0, 65535))])
    return "%d.%d" % (number(), number())


def ze_scenario(rng):
    # A fault-free scenario now and then, so that whole reports are written too.
    failure_rate = weighted(rng, [(2, 0.0), (3, 0.05), (3, 0.15), (1, 0.4)])
    power_rate = 0.04
    drivers = []
    for _ in range(small_count(rng, [2, 6, 3, 1, 1])):
        driver = {}
        if rng.random() < 0.9:
            driver["driver_version"] = uint32(rng)
        if rng.random() < 0.9:
            driver["api_version"] = ze_api_version(rng)
        devices = [ze_device(rng, failure_rate, power_rate)
                   for _ in range(small_count(rng, [2, 6, 3, 1, 1]))]
        if devices or rng.random() < 0.5:
            driver["devices"] = devices
        faults = ze_faults(rng, ["zeDriverGetProperties", "zeDriverGetApiVersion", "zeDeviceGet"],
                           failure_rate / 3)
        if faults:
            driver["fail"] = faults
        counts = ze_counts(rng, ["zeDeviceGet"], {"zeDeviceGet": len(devices)}, failure_rate)
        if counts:
            driver["counts"] = counts
        drivers.append(driver)
    scenario = {"description": "random scenario", "drivers": drivers}
    # The loader calls zeInit and zeDriverGet itself, so early calls fail it, later ones the
    # program.
    faults = ze_faults(rng, ["zeInit", "zeDriverGet"], failure_rate / 4)
    if faults:
        scenario["fail"] = faults
    counts = ze_counts(rng, ["zeDriverGet"], {"zeDriverGet": len(drivers)}, failure_rate / 2)
    if counts:
        scenario["counts"] = counts
    # Arguments are ignored; the loader may wrap every handle (intercept) or find Sysman
    # switched off, which the program switches on for itself.
    arguments = weighted(rng, [(9, []), (1, lambda: rng.choice([["--help"], ["x", "", "-1"]]))])
    environment = weighted(rng, [(6, {}), (3, {"ZE_ENABLE_LOADER_INTERCEPT": "1"}),
                                 (1, {"ZES_ENABLE_SYSMAN": "0"})])
    return scenario, arguments, environment


def ze_time_bound(scenario, base):
    drivers = scenario.get("drivers", [])
    devices = [device for driver in drivers for device in driver.get("devices", [])]
    powered = sum(1 for device in devices if "card_power_domain" in device)
    # A reported count is a handle array of that size, which the sanitizer's allocator poisons
    # (about a second per GiB here); an array beyond the address space granted fails at once.
    arrays = [8 * entry.get("reported", 0) for place in [scenario] + drivers + devices
              for entry in place.get("counts", {}).values()]
    array_bytes = sum(size for size in arrays if size <= ADDRESS_SPACE_LIMIT)
    return base + ENERGY_SAMPLE_SECONDS * powered + 0.01 * len(devices) + 1e-8 * array_bytes


# ---------------------------------------------------------------------------------------------
# What a run must show

# The messages zeprobe writes; the first names a Level Zero function that zeprobe calls, of the
# list the build publishes (use_build).
ZE_MESSAGES = [
    None,
    re.compile(r"zesDeviceEnumTemperatureSensors failed: no temperature sensors found"),
    re.compile(r"zesDeviceEnumFans failed: no fans found"),
    re.compile(r"zesPowerGetEnergyCounter failed: (?:timestamp did not advance|energy counter went backwards)"),
    re.compile(r"malloc failed"),
    re.compile(r"Failed to set environment variable ZES_ENABLE_SYSMAN"),
    re.compile(r"std::bad_alloc"),
    # Errors of the JSON library, such as a name that is not UTF-8.
    re.compile(r"\[json\.exception\.[a-z_]+\.[0-9]+\] [ -~]+"),
]


def use_build(build):
    """Reads the Level Zero functions that zeprobe calls from the build folder."""
    names = interface_function_names(build, "level_zero_interface")
    ZE_MESSAGES[0] = re.compile(r"(?:%s) failed: (-?[0-9]+)" % "|".join(names))


def check_zeprobe(status, stdout, stderr, arguments, sanitized):
    problems = stderr_problems(stderr, ZE_MESSAGES, sanitized)
    if status == 1:
        if stdout:
            problems.append("status 1 with %d bytes on standard output" % len(stdout))
        if not stderr:
            problems.append("status 1 without a message")
    elif status == 0:
        try:
            text = stdout.decode("utf-8")
        except UnicodeDecodeError as error:
            problems.append("standard output is not UTF-8: %s" % error)
            return problems
        if not text.endswith("\n") or text.endswith("\n\n") or text.endswith("\r\n"):
            problems.append("the report is not followed by exactly one line end")
        try:
            report = parse_strict_json(text)
        except ValueError as error:
            problems.append("standard output is not one JSON document: %s" % error)
            return problems
        if not isinstance(report, list):
            problems.append("the report is a %s, not an array" % type(report).__name__)
    return problems



def point_at_scenario(env, library, scenario_path):
    """The loader takes the simulated driver as an extra driver; the driver reads the scenario."""
    env["ZE_ENABLE_ALT_DRIVERS"] = library
    env["ZE_SIM_SCENARIO"] = scenario_path


RULES = ProgramRules(
    name="zeprobe", folder="bin", library="libze_simulated.so", generate=ze_scenario, time_bound=ze_time_bound,
    check=check_zeprobe,
    # Fatal failures depend on call numbers and counts: either status may come.
    expected_status=lambda scenario, arguments: None,
    point_at_scenario=point_at_scenario, strip_prefix=None)


def self_test(expect):
    """The checks reject broken outputs, and a few hundred scenarios reach the odd values and
    the modes that the fuzzing is about."""
    ok = lambda problems: not problems
    expect("zeprobe: empty array", ok(check_zeprobe(0, b"[]\n", b"", [], False)))
    expect("zeprobe: fatal failure", ok(check_zeprobe(1, b"", b"zeInit failed: -2147483646\n", [], False)))
    expect("zeprobe: output with status 1", not ok(check_zeprobe(1, b"[]\n", b"malloc failed\n", [], False)))
    expect("zeprobe: silent status 1", not ok(check_zeprobe(1, b"", b"", [], False)))
    expect("zeprobe: invalid UTF-8", not ok(check_zeprobe(0, b'["\xff"]\n', b"", [], False)))
    expect("zeprobe: object instead of array", not ok(check_zeprobe(0, b"{}\n", b"", [], False)))
    expect("zeprobe: no line end", not ok(check_zeprobe(0, b"[]", b"", [], False)))
    expect("zeprobe: message split over two lines",
           not ok(check_zeprobe(0, b"[]\n", b"zesFanGetState failed:\n 5\n", [], False)))
    expect("zeprobe: empty message", not ok(check_zeprobe(0, b"[]\n", b"\nmalloc failed\n", [], False)))
    expect("zeprobe: unended message", not ok(check_zeprobe(1, b"", b"malloc failed", [], False)))
    expect("zeprobe: CR in a message", not ok(check_zeprobe(1, b"", b"malloc failed\r\n", [], False)))
    expect("zeprobe: code beyond 32 bits",
           not ok(check_zeprobe(1, b"", b"zeInit failed: 4294967295\n", [], False)))
    expect("zeprobe: sanitizer report",
           not ok(check_zeprobe(1, b"", b"==12==ERROR: AddressSanitizer: heap-buffer-overflow\n", [], True)))

    ze_runs = [ze_scenario(scenario_random("zeprobe", 1, index)) for index in range(300)]
    ze_texts = [json.dumps(scenario) for scenario, _, _ in ze_runs]
    for wanted in ('"nan"', '"-inf"', '"call": ', '"filled": ', '"reported": 4294967295',
                   "1.7976931348623157e+308", str(UINT64_MAX), str(INT32_MIN), '"drivers": []',
                   '"card_power_domain"', '"name": {"hex": ', '\\"', '\\\\', '\\u0000', '"65535.'):
        expect("zeprobe scenarios hold " + wanted, any(wanted in text for text in ze_texts))
    def fault_codes(value):
        if isinstance(value, dict):
            for key, item in value.items():
                if key == "fail":
                    for fault in item.values():
                        yield fault["result"] if isinstance(fault, dict) else fault
                else:
                    yield from fault_codes(item)
        elif isinstance(value, list):
            for item in value:
                yield from fault_codes(item)
    codes = [code for scenario, _, _ in ze_runs for code in fault_codes(scenario)]
    expect("scripted failures are failure codes", codes and 0 not in codes)
    powered = sum(text.count('"card_power_domain"') for text in ze_texts)
    expect("card power domains stay rare (%d in 300 scenarios)" % powered, 0 < powered < 60)
    expect("zeprobe runs with the loader intercepting",
           any(environment.get("ZE_ENABLE_LOADER_INTERCEPT") for _, _, environment in ze_runs))
