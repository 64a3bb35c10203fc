#!/usr/bin/env python3
"""Scenario fuzzing: random machines for the simulated vendor libraries, each run through the
real program once, with the checks that hold whatever the driver reports.

    scenario_fuzz.py --program zeprobe|radprobe --build DIR --seed S --count N
                     [--jobs J] [--timeout SECONDS] [--index I] [--keep-all]
    scenario_fuzz.py --self-test

Scenario I of seed S is always the same file (the generator is seeded with program, seed and
index), so a failure is reproduced with --seed S --index I. Scenario files are written to a
fresh temporary folder; those of passing runs are deleted, those of failing runs are kept with
the program's standard output and standard error beside them.

Checks, for every run:
  - the exit status is 0 or 1 (never a signal, never another value), within the time bound;
    for radprobe exactly 1 when the scenario scripts a fatal failure (refused arguments, a
    failing context creation, adapter count or adapter list query, an adapter count whose
    buffer exceeds the library's 32-bit size argument) and exactly 0 otherwise;
  - standard error is empty or a series of whole lines, each one message of the program
    (no empty line, no CR, the last one ended), a status of 1 comes with a message;
  - zeprobe: standard output is empty with status 1, and exactly one JSON array (strict UTF-8,
    strict JSON, one line end after it) with status 0;
  - radprobe: standard output without its "Set PageSize: " lines is one JSON document with
    status 0 (then standard error is empty), and a prefix of a JSON document cut at a line end
    with status 1. Bytes from 0x80 up that the driver handed over may pass unchanged.
  - a report of status 0 satisfies its program's schema (schemas/), read by the same rules as
    in the contract test of the golden reports.
The last line printed is "N passed, N failed"; the exit status is 1 when any run failed.
"""
import argparse
import concurrent.futures
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "contract"))
import validate_reports  # noqa: E402  (the contract test's report reading and schemas)

SCHEMAS = os.path.join(HERE, "..", "..", "schemas")

INT32_MIN = -2**31
INT32_MAX = 2**31 - 1
UINT32_MAX = 2**32 - 1
INT64_MIN = -2**63
INT64_MAX = 2**63 - 1
UINT64_MAX = 2**64 - 1

# Address space granted to a program of a build without AddressSanitizer, so that a count
# that asks for tens of gigabytes fails its allocation on any machine.
ADDRESS_SPACE_LIMIT = 8 * 2**30
# Runs of a build with AddressSanitizer: the same cap on one allocation, and an allocation
# that cannot be served returns null, as it does without the sanitizer, instead of ending the
# process.
SANITIZER_OPTIONS = "allocator_may_return_null=1:max_allocation_size_mb=8192"
# The one notice the sanitizer itself writes when it returns null for such an allocation.
SANITIZER_NOTICE = re.compile(rb"^==\d+==WARNING: AddressSanitizer failed to allocate 0x[0-9a-f]+ bytes$")

# First line of a report of AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer.
SANITIZER_REPORT = re.compile(rb"^(?:==\d+==ERROR: \w+Sanitizer|.*runtime error: ).*$", re.M)

ENERGY_SAMPLE_SECONDS = 0.1


# ---------------------------------------------------------------------------------------------
# Values

def weighted(rng, choices):
    """choices: list of (weight, value or callable)."""
    total = sum(weight for weight, _ in choices)
    pick = rng.uniform(0, total)
    for weight, value in choices:
        pick -= weight
        if pick <= 0:
            return value() if callable(value) else value
    value = choices[-1][1]
    return value() if callable(value) else value


def int32(rng):
    return weighted(rng, [
        (4, 0), (2, 1), (3, -1), (3, INT32_MIN), (3, INT32_MAX), (1, INT32_MIN + 1),
        (1, INT32_MAX - 1), (4, lambda: rng.randint(-1000, 1000)),
        (4, lambda: rng.randint(INT32_MIN, INT32_MAX))])


def uint32(rng):
    return weighted(rng, [
        (4, 0), (2, 1), (3, UINT32_MAX), (2, INT32_MAX), (2, 2**31), (1, 0xffff), (1, 0x10000),
        (4, lambda: rng.randint(0, 0xffff)), (4, lambda: rng.randint(0, UINT32_MAX))])


def uint64(rng):
    return weighted(rng, [
        (4, 0), (2, 1), (3, UINT64_MAX), (2, INT64_MAX), (2, 2**63), (2, UINT32_MAX), (1, 2**32),
        (4, lambda: rng.randint(0, 2**40)), (4, lambda: rng.randint(0, UINT64_MAX))])


def int64(rng):
    return weighted(rng, [
        (4, 0), (2, -1), (3, INT64_MIN), (3, INT64_MAX), (2, UINT32_MAX), (2, 2**32),
        (4, lambda: rng.randint(0, 2**36)), (4, lambda: rng.randint(INT64_MIN, INT64_MAX))])


def enum_value(rng, known):
    """A Level Zero enumeration value: one of the known ones mostly, else any in range."""
    return weighted(rng, [
        (8, lambda: rng.choice(known)), (2, 0x7fffffff), (1, 0x7ffffffe),
        (2, lambda: rng.randint(0, 20)), (1, lambda: rng.randint(0, 0x7fffffff))])


def floating(rng):
    """A sensor value: ordinary, extreme, or one of the values JSON cannot write."""
    return weighted(rng, [
        (6, lambda: round(rng.uniform(-50, 150), rng.randint(0, 3))),
        (2, lambda: float(rng.randint(0, 3000))), (2, "nan"), (2, "inf"), (2, "-inf"),
        (2, 1.7976931348623157e308), (2, -1.7976931348623157e308), (1, 5e-324), (1, -5e-324),
        (1, 2.2250738585072014e-308), (1, -0.0), (1, 0.0), (2, -1.0), (1, 1e300),
        (1, 9007199254740993), (1, -1e-300)])


# Pieces of odd text; generated names join a few of them and may be cut to the field size.
def text_piece(rng, utf8_only=False):
    while True:
        piece = any_text_piece(rng)
        if not utf8_only or is_utf8(piece):
            return piece


def any_text_piece(rng):
    return weighted(rng, [
        (4, lambda: bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz0123456789 -_.")
                          for _ in range(rng.randint(1, 24)))),
        (3, b'"'), (3, b"\\"), (2, b'\\"'), (2, b"\\u0041"), (1, b"\\n"), (1, b"\"}, {\"x\": \""),
        (3, lambda: bytes([rng.choice([1, 7, 8, 9, 10, 11, 12, 13, 27, 31, 127])])),
        (2, b"\r\n"), (2, b"\n"), (1, b"\x00"), (1, b"\x00tail"),
        (2, "é".encode()), (2, "€".encode()), (2, "😀".encode()), (1, "\u2028".encode()),
        (1, "\ufeff".encode()),
        (3, lambda: bytes([rng.randint(0x80, 0xff)])),           # lone high byte
        (1, b"\xc0\xaf"), (1, b"\xe0\x80\xaf"), (1, b"\xed\xa0\x80"),  # overlong, surrogate
        (1, b"\xf4\x90\x80\x80"), (1, b"\xf8\x88\x80\x80\x80"),       # beyond U+10FFFF, 5 bytes
        (1, b"\xe2\x82"), (1, b"\xf0\x9f\x98"),                    # cut multi-byte sequences
        (1, b"%s%n%x"), (1, b"{{}}"), (1, b"Set PageSize: ADL_OK"),
    ])


def odd_bytes(rng, limit=256, raw_share=1.0):
    """Up to limit bytes: empty, plain, odd, or exactly the field size with no NUL. Only a
    raw_share of the odd texts may hold bytes that are not UTF-8 (including a multi-byte
    character cut at the field's end)."""
    kind = weighted(rng, [(2, "empty"), (3, "plain"), (8, "odd"), (3, "full"), (1, "full-1")])
    if kind == "empty":
        return b""
    if kind == "plain":
        return bytes(rng.choice(b"ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789") for _ in range(rng.randint(1, 40)))
    utf8_only = rng.random() >= raw_share
    text = b"".join(text_piece(rng, utf8_only) for _ in range(rng.randint(1, 8)))
    if kind == "odd":
        return cut(text, limit, utf8_only)
    # Filled to the field size.
    size = limit if kind == "full" else limit - 1
    fillers = [b"N", "é".encode(), "€".encode(), "😀".encode(), b"\\", b'"']
    filler = rng.choice(fillers if utf8_only else fillers + [b"\xff"])
    while len(text) < size:
        text += filler
    text = cut(text, size, utf8_only)
    if kind == "full":
        text = text.replace(b"\x00", b"0")  # all bytes of the field, none of them NUL
    return text


def cut(text, size, utf8_only):
    """text cut to size bytes; with utf8_only, never inside a character."""
    text = text[:size]
    while utf8_only and not is_utf8(text):
        text = text[:-1]
    return text


def is_utf8(data):
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


# ---------------------------------------------------------------------------------------------
# Level Zero scenarios (simulated/levelzero/README.md)

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


def small_count(rng, weights):
    """A list length: weights[k] is the weight of length k."""
    return weighted(rng, [(w, k) for k, w in enumerate(weights)])


def ze_name(rng, device):
    # A name that is not UTF-8 ends the run, so such names stay a minority.
    data = odd_bytes(rng, raw_share=0.15)
    if is_utf8(data) and rng.random() < 0.7:
        device["name"] = data.decode("utf-8")
    else:
        device["name_hex"] = data.hex()


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
# Display library scenarios (simulated/adl/README.md)

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
# Checks

STRICT_NUMBER = re.compile(r"-?(?:0|[1-9][0-9]*)(?:\.[0-9]+)?(?:[eE][+-]?[0-9]+)?")
STRING_ESCAPES = set('"\\/bfnrt')


def json_prefix_problem(text):
    """None when text is a prefix of a JSON document that ends at a token boundary (or is a
    complete document), else a description of the first problem. The text is a str; code
    points of surrogateescape'd bytes are accepted inside strings like any other character."""
    # The stack holds the containers that are open; state says what may come next.
    stack = []
    state = "value"          # value, value-or-close, key-or-close, key, colon, comma-or-close, end
    at = 0
    length = len(text)
    while True:
        while at < length and text[at] in " \t\n\r":
            at += 1
        if at == length:
            return None
        char = text[at]
        if state == "end":
            return "text after the document at offset %d" % at
        if state == "colon":
            if char != ":":
                return "expected ':' at offset %d" % at
            at += 1
            state = "value"
            continue
        if state == "comma-or-close":
            closer = "}" if stack[-1] == "{" else "]"
            if char == ",":
                at += 1
                state = "key" if stack[-1] == "{" else "value"
                continue
            if char == closer:
                at += 1
                stack.pop()
                state = "comma-or-close" if stack else "end"
                continue
            return "expected ',' or '%s' at offset %d" % (closer, at)
        if state in ("key", "key-or-close"):
            if state == "key-or-close" and char == "}":
                at += 1
                stack.pop()
                state = "comma-or-close" if stack else "end"
                continue
            if char != '"':
                return "expected a key at offset %d" % at
            at = scan_string(text, at)
            if at is None:
                return "unterminated or malformed key"
            state = "colon"
            continue
        # A value is expected.
        if state == "value-or-close" and char == "]":
            at += 1
            stack.pop()
            state = "comma-or-close" if stack else "end"
            continue
        if char == "{":
            stack.append("{")
            at += 1
            state = "key-or-close"
            continue
        if char == "[":
            stack.append("[")
            at += 1
            state = "value-or-close"
            continue
        if char == '"':
            at = scan_string(text, at)
            if at is None:
                return "unterminated or malformed string value"
        else:
            for literal in ("true", "false", "null"):
                if text.startswith(literal, at):
                    at += len(literal)
                    break
            else:
                match = STRICT_NUMBER.match(text, at)
                if not match:
                    return "not a JSON value at offset %d: %r" % (at, text[at:at + 20])
                at = match.end()
            if at < length and text[at] not in " \t\n\r,]}":
                return "value runs into %r at offset %d" % (text[at], at)
        state = "comma-or-close" if stack else "end"


def scan_string(text, at):
    """Offset after the string that starts at text[at] (a double quote), or None when the string
    is not closed or holds a raw control character or a bad escape."""
    at += 1
    length = len(text)
    while at < length:
        char = text[at]
        if char == '"':
            return at + 1
        if ord(char) < 0x20:
            return None
        if char == "\\":
            if at + 1 >= length:
                return None
            escape = text[at + 1]
            if escape == "u":
                if not re.fullmatch(r"[0-9a-fA-F]{4}", text[at + 2:at + 6]):
                    return None
                at += 6
                continue
            if escape not in STRING_ESCAPES:
                return None
            at += 2
            continue
        at += 1
    return None


def reject_constant(name):
    raise ValueError("%s is not JSON" % name)


def reject_duplicates(pairs):
    keys = [key for key, _ in pairs]
    duplicates = sorted({key for key in keys if keys.count(key) > 1})
    if duplicates:
        raise ValueError("duplicate keys %r" % duplicates)
    return dict(pairs)


def parse_strict_json(text):
    """The document as Python values; raises ValueError when it is not strict JSON."""
    return json.loads(text, parse_constant=reject_constant, object_pairs_hook=reject_duplicates)


# The Level Zero functions that zeprobe calls, one LEVEL_ZERO_CALL(name, ...) line each.
with open(os.path.join(HERE, "..", "..", "interfaces", "level_zero_calls.inc")) as calls:
    ZE_FUNCTIONS = "|".join(re.findall(r"^LEVEL_ZERO_CALL\((\w+),", calls.read(), re.M))
ZE_MESSAGES = [
    re.compile(r"(?:%s) failed: (-?[0-9]+)" % ZE_FUNCTIONS),
    re.compile(r"zesDeviceEnumTemperatureSensors failed: no temperature sensors found"),
    re.compile(r"zesDeviceEnumFans failed: no fans found"),
    re.compile(r"zesPowerGetEnergyCounter failed: (?:timestamp did not advance|energy counter went backwards)"),
    re.compile(r"malloc failed"),
    re.compile(r"Failed to set environment variable ZES_ENABLE_SYSMAN"),
    re.compile(r"std::bad_alloc"),
    # Errors of the JSON library, such as a name that is not UTF-8.
    re.compile(r"\[json\.exception\.[a-z_]+\.[0-9]+\] [ -~]+"),
]
ADL_MESSAGES = [
    re.compile(r"ADL error (-?[0-9]+) in func 'main' at line [0-9]+ : ADL_[A-Z_]+\."),
    re.compile(r"ADL_[A-Z_]+"),
    re.compile(r"bad allocation"),
    re.compile(r"Wrong args count\. Usage: radprobe \[setPageSize pageSize\]"),
    re.compile(r"Bad args\. Usage: radprobe \[setPageSize pageSize\]"),
    re.compile(r"Bad args\. pageSize shoud be 1 or 2"),
]


def stderr_problems(stderr, messages, sanitized):
    """Standard error must be whole lines, each one message of the program."""
    problems = []
    if not stderr:
        return problems
    if not stderr.endswith(b"\n"):
        problems.append("standard error does not end with a line end")
    if b"\r" in stderr:
        problems.append("standard error holds a CR")
    for line in stderr.split(b"\n")[:-1] if stderr.endswith(b"\n") else stderr.split(b"\n"):
        if sanitized and SANITIZER_NOTICE.match(line):
            continue
        if not line:
            problems.append("standard error holds an empty line")
            continue
        try:
            text = line.decode("utf-8")
        except UnicodeDecodeError:
            problems.append("standard error line is not UTF-8: %r" % line[:120])
            continue
        for pattern in messages:
            match = pattern.fullmatch(text)
            if match:
                if match.groups() and match.group(1) is not None:
                    code = int(match.group(1))
                    if not INT32_MIN <= code <= INT32_MAX:
                        problems.append("result code outside signed 32 bits: %r" % text)
                break
        else:
            problems.append("standard error line is not one whole message: %r" % line[:160])
    return problems


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
    text = validate_reports.report_text(stdout, PAGE_SIZE_PREFIX)
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


# ---------------------------------------------------------------------------------------------
# Runs

class Program:
    def __init__(self, name, build):
        self.name = name
        bin_dir = os.path.join(build, "bin")
        lib_dir = os.path.join(build, "lib")
        self.path = os.path.join(bin_dir, name)
        if name == "zeprobe":
            self.library = os.path.join(lib_dir, "libze_simulated.so")
            self.generate = ze_scenario
            self.time_bound = ze_time_bound
            self.check = check_zeprobe
            # Fatal failures depend on call numbers and counts: either status may come.
            self.expected_status = lambda scenario, arguments: None
            self.strip_prefix = None
        else:
            self.library = os.path.join(lib_dir, "libatiadlxx.so")
            self.generate = adl_scenario
            self.time_bound = adl_time_bound
            self.check = check_radprobe
            self.expected_status = adl_expected_status
            self.strip_prefix = PAGE_SIZE_PREFIX
        self.schema = validate_reports.schema_validator(
            os.path.join(SCHEMAS, "%s-report.schema.json" % name))
        for needed in (self.path, self.library):
            if not os.path.isfile(needed):
                raise SystemExit("scenario_fuzz: %s not found (build the programs first)" % needed)
        with open(self.path, "rb") as binary:
            self.sanitized = b"__asan_init" in binary.read()

    def environment(self, scenario_path, extra):
        env = dict(os.environ)
        env.pop("ZE_ENABLE_LOADER_INTERCEPT", None)
        env.update(extra)
        if self.name == "zeprobe":
            env["ZE_ENABLE_ALT_DRIVERS"] = self.library
            env["ZE_SIM_SCENARIO"] = scenario_path
            env.pop("ZE_SIM_TRACE", None)
        else:
            env["LD_LIBRARY_PATH"] = os.path.dirname(self.library)
            env["ADL_SIM_SCENARIO"] = scenario_path
            env.pop("ADL_SIM_TRACE", None)
            env.pop("LD_PRELOAD", None)
        if self.sanitized:
            options = env.get("ASAN_OPTIONS", "")
            env["ASAN_OPTIONS"] = (options + ":" if options else "") + SANITIZER_OPTIONS
            options = env.get("UBSAN_OPTIONS", "")
            env["UBSAN_OPTIONS"] = (options + ":" if options else "") + "print_stacktrace=1"
        return env

    def schema_problems(self, stdout):
        document = json.loads(validate_reports.report_text(stdout, self.strip_prefix))
        return ["not as the schema says: %s at %s" % (error.message[:160], error.json_path)
                for error in self.schema.iter_errors(document)]

    def command(self, arguments):
        # The sanitizer reserves terabytes of address space for itself, so only the plain build
        # runs under the cap; there the sanitizer's allocator limit does the same job.
        limit = [] if self.sanitized else ["prlimit", "--as=%d" % ADDRESS_SPACE_LIMIT, "--"]
        return limit + [self.path] + arguments


def scenario_random(program, seed, index):
    return random.Random("%s:%s:%d" % (program, seed, index))


def run_one(program, seed, index, folder, base_timeout):
    scenario, arguments, environment = program.generate(scenario_random(program.name, seed, index))
    path = os.path.join(folder, "%s-%s-%d.json" % (program.name, seed, index))
    with open(path, "w", encoding="utf-8") as file:
        json.dump(scenario, file, indent=1, ensure_ascii=bool(index % 2))
        file.write("\n")
    bound = program.time_bound(scenario, base_timeout)
    started = time.monotonic()
    problems = []
    stdout = stderr = b""
    status = None
    try:
        completed = subprocess.run(program.command(arguments), env=program.environment(path, environment),
                                   stdin=subprocess.DEVNULL, capture_output=True, timeout=bound)
        status, stdout, stderr = completed.returncode, completed.stdout, completed.stderr
    except subprocess.TimeoutExpired as expired:
        stdout, stderr = expired.stdout or b"", expired.stderr or b""
        problems.append("no exit within %.1f s" % bound)
    elapsed = time.monotonic() - started
    expected = program.expected_status(scenario, arguments)
    if status is not None:
        if status < 0:
            problems.append("ended by signal %d" % -status)
        elif status not in (0, 1):
            problems.append("exit status %d" % status)
        elif expected not in (None, status):
            problems.append("exit status %d where the scenario calls for %d" % (status, expected))
        report = SANITIZER_REPORT.search(stderr)
        if report:
            problems.append("sanitizer report: %r" % report.group(0)[:200])
        if b"simulated Level Zero driver: " in stderr or b"simulated ADL: " in stderr:
            problems.append("the simulated library refused the scenario (generator fault)")
        if status in (0, 1):
            problems.extend(program.check(status, stdout, stderr, arguments, program.sanitized))
        if status == 0 and not problems:
            problems.extend(program.schema_problems(stdout))
    return {"index": index, "path": path, "arguments": arguments, "environment": environment,
            "status": status,
            "problems": problems, "stdout": stdout, "stderr": stderr, "elapsed": elapsed}


def report_failure(program, seed, result):
    base = result["path"][:-len(".json")]
    for stream in ("stdout", "stderr"):
        with open(base + "." + stream, "wb") as file:
            file.write(result[stream])
    print("FAIL %s seed %s index %d: scenario %s, arguments %r, environment %r, status %s"
          % (program.name, seed, result["index"], result["path"], result["arguments"],
             result["environment"], result["status"]))
    for problem in result["problems"]:
        print("    " + problem)
    print("    output kept in %s.stdout and %s.stderr" % (base, base))


def fuzz(args):
    program = Program(args.program, os.path.abspath(args.build))
    folder = tempfile.mkdtemp(prefix="scenario-fuzz-%s-" % args.program)
    indexes = [args.index] if args.index is not None else range(args.count)
    passed = failed = 0
    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = [pool.submit(run_one, program, args.seed, index, folder, args.timeout)
                   for index in indexes]
        for future in futures:
            result = future.result()
            if result["problems"]:
                failed += 1
                report_failure(program, args.seed, result)
            else:
                passed += 1
                if not args.keep_all:
                    os.remove(result["path"])
    elapsed = time.monotonic() - started
    print("%s: %d scenarios of seed %s in %.1f s%s" % (
        program.name, passed + failed, args.seed, elapsed,
        " (AddressSanitizer build)" if program.sanitized else ""))
    if failed or args.keep_all:
        print("scenario files: %s" % folder)
    else:
        shutil.rmtree(folder, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


# ---------------------------------------------------------------------------------------------
# The checks checked

def self_test():
    """The checks must reject what they are there to reject; each case says why."""
    failures = []

    def expect(name, condition):
        if not condition:
            failures.append(name)

    # Prefix reading.
    document = '{\n  "driver":\n  {\n  },\n  "gpus":\n  [\n    {\n      "a": -1.5e3,\n' \
               '      "b": "x\\\\ \\" \\u00e9",\n      "c": [true, false, null]\n    }\n  ]\n}\n'
    expect("a whole document is a prefix", json_prefix_problem(document) is None)
    for cut in range(len(document)):
        if document[cut - 1] == "\n" if cut else True:
            expect("cut at line end %d is a prefix" % cut, json_prefix_problem(document[:cut]) is None)
    expect("empty text is a prefix", json_prefix_problem("") is None)
    bad_prefixes = {
        "unterminated string": '{\n  "a": "abc\n',
        "raw control character": '{\n  "a": "a\x01b",\n',
        "raw line end in a string": '{\n  "a": "a\nb",\n',
        "bad escape": '{\n  "a": "\\q",\n',
        "quote breaking out": '{\n  "a": "x"y",\n',
        "missing comma": '{\n  "a": 1\n  "b": 2\n',
        "missing colon": '{\n  "a" 1,\n',
        "bare word": '{\n  "a": nul,\n',
        "leading zero": '{\n  "a": 01,\n',
        "NaN": '{\n  "a": NaN,\n',
        "wrong closer": '{\n  "a": [1}\n',
        "trailing text": '{\n}\n}\n',
        "key not a string": '{\n  a: 1,\n',
        "comma before close": '[\n  1,\n]\n',
    }
    for name, text in bad_prefixes.items():
        expect("rejects " + name, json_prefix_problem(text) is not None)
    expect("accepts escaped bytes of the driver",
           json_prefix_problem('{\n  "a": "' + b"\xff\xfe".decode("utf-8", "surrogateescape") + '",\n') is None)

    # Whole documents.
    def rejects(text):
        try:
            parse_strict_json(text)
            return False
        except ValueError:
            return True
    expect("rejects NaN", rejects("[NaN]"))
    expect("rejects Infinity", rejects("[-Infinity]"))
    expect("rejects duplicate keys", rejects('[{"a": 1, "a": 2}]'))
    expect("rejects raw control characters", rejects('["a\tb"]'))
    expect("rejects two documents", rejects("[]\n[]\n"))
    expect("accepts a report", not rejects('[{"name": "é\\u0001"}]\n'))

    # zeprobe's outputs.
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
    expect("sanitizer reports are recognised",
           SANITIZER_REPORT.search(b"x\n==12==ERROR: LeakSanitizer: detected memory leaks\n")
           and SANITIZER_REPORT.search(b"a.cpp:25:47: runtime error: load of value 7\n")
           and not SANITIZER_REPORT.search(b"zeInit failed: 1\n"))

    # radprobe's outputs.
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

    # The generator: the same seed and index give the same run, and a few hundred runs cover
    # the odd values and the modes that the fuzzing is about.
    for generate, name in ((ze_scenario, "zeprobe"), (adl_scenario, "radprobe")):
        first = json.dumps(generate(scenario_random(name, 7, 3)))
        expect(name + " runs are reproducible",
               first == json.dumps(generate(scenario_random(name, 7, 3))))
    ze_runs = [ze_scenario(scenario_random("zeprobe", 1, index)) for index in range(300)]
    ze_texts = [json.dumps(scenario) for scenario, _, _ in ze_runs]
    for wanted in ('"nan"', '"-inf"', '"call": ', '"filled": ', '"reported": 4294967295',
                   "1.7976931348623157e+308", str(UINT64_MAX), str(INT32_MIN), '"drivers": []',
                   '"card_power_domain"', '"name_hex": ', '\\"', '\\\\', '\\u0000', '"65535.'):
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
    full = 0
    for index in range(2000):
        data = odd_bytes(random.Random(index))
        expect("odd text fits the field", len(data) <= 256)
        full += len(data) == 256 and b"\x00" not in data
    expect("some texts fill all 256 bytes without a NUL", full > 0)

    for name in failures:
        print("self-test failed: " + name)
    print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", choices=["zeprobe", "radprobe"])
    parser.add_argument("--build", help="build folder holding bin/ and lib/")
    parser.add_argument("--seed", default="1")
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--index", type=int, help="run this one scenario only")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=float, default=10.0,
                        help="time bound of one run, plus 0.1 s per card power domain")
    parser.add_argument("--keep-all", action="store_true", help="keep every scenario file")
    parser.add_argument("--self-test", action="store_true", help="check the checks")
    args = parser.parse_args()
    if args.self_test:
        return self_test()
    if not args.program or not args.build:
        parser.error("--program and --build are required")
    return fuzz(args)


if __name__ == "__main__":
    sys.exit(main())
