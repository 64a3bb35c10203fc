#!/usr/bin/env python3
"""Scenario fuzzing: random machines for the simulated vendor libraries, each run through the
real program once, with the checks that hold whatever the driver reports.

    scenario_fuzz.py --program zeprobe|radprobe --build DIR --seed S --count N
                     [--jobs J] [--timeout SECONDS] [--index I] [--keep-all]
    scenario_fuzz.py --self-test --build DIR

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

Each program's scenario generator, with what a run of it must show, is <program>_scenarios.py;
the checks of every run and the run itself are in run_checks.py, the random values that the
generators share in random_values.py.
"""
import argparse
import concurrent.futures
import json
import os
import shutil
import sys
import tempfile
import time

import radprobe_scenarios
import random_values
import run_checks
import zeprobe_scenarios

PROGRAMS = {rules.name: rules for rules in (zeprobe_scenarios.RULES, radprobe_scenarios.RULES)}


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
    program = run_checks.Program(PROGRAMS[args.program], os.path.abspath(args.build))
    folder = tempfile.mkdtemp(prefix="scenario_fuzz_%s_" % args.program)
    indexes = [args.index] if args.index is not None else range(args.count)
    passed = failed = 0
    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = [pool.submit(run_checks.run_one, program, args.seed, index, folder, args.timeout)
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


def self_test():
    """The checks must reject what they are there to reject; each case says why."""
    failures = []

    def expect(name, condition):
        if not condition:
            failures.append(name)

    run_checks.self_test(expect)
    zeprobe_scenarios.self_test(expect)
    radprobe_scenarios.self_test(expect)
    # The same seed and index give the same run.
    for rules in PROGRAMS.values():
        first = json.dumps(rules.generate(random_values.scenario_random(rules.name, 7, 3)))
        expect(rules.name + " runs are reproducible",
               first == json.dumps(rules.generate(random_values.scenario_random(rules.name, 7, 3))))
    random_values.self_test(expect)

    for name in failures:
        print("self-test failed: " + name)
    print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", choices=list(PROGRAMS))
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
    if not args.build:
        parser.error("--build is required")
    zeprobe_scenarios.use_build(args.build)
    if args.self_test:
        return self_test()
    if not args.program:
        parser.error("--program is required")
    return fuzz(args)


if __name__ == "__main__":
    sys.exit(main())
