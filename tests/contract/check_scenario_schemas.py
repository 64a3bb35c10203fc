#!/usr/bin/env python3
"""Checks that a scenario schema and the simulated library it describes agree on which
scenarios are valid.

    check_scenario_schemas.py SCHEMA FOLDER --program zeprobe|radprobe --build DIR
                              [--generated N --seed S]

Every *.json file under the folder is judged twice: by the schema, and by the library, which
reads it while the program runs against it as in the golden tests. The library refuses a
scenario by ending the process with status 86 and the line "<library>: bad scenario: ..." on
standard error; any other ending means that it accepted the scenario. Each file on which the
two disagree is printed with both verdicts. With --generated N, the first N scenarios that the
scenario fuzzer makes for the seed, which the library accepts by design (the fuzzing test runs
the same ones), must satisfy the schema too. Fails as well when the folder holds no scenario.

The schema judges the document that the libraries' JSON parser reads: a leading byte-order
mark is skipped; NaN, infinities and numbers beyond the range of a double are not JSON. An
integer is a number written without a fraction or an exponent, as the libraries take it
(JSON Schema itself counts 3.0 as an integer).
"""
import argparse
import json
import math
import os
import pathlib
import re
import subprocess
import sys
import typing

import jsonschema

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "scenario_fuzz"))
# The fuzzer's scenario generators, and its way of running a program of a build folder.
from random_values import scenario_random  # noqa: E402
from run_checks import Program  # noqa: E402
from scenario_fuzz import PROGRAMS  # noqa: E402

# The name with which each program's simulated library starts its lines.
LIBRARY_NAMES = {"zeprobe": "simulated Level Zero driver", "radprobe": "simulated ADL"}
# Exit status of a process that the library ended on a bad scenario.
BAD_SCENARIO_STATUS = 86
# A run reads its scenario at once. The largest project scenarios run for under a second and
# the slow devices for under four; a run still going after this long has read its scenario and
# is held by a scripted delay (a hung device), so it is ended and counts as accepted.
RUN_SECONDS = 6


class Verdict(typing.NamedTuple):
    accepted: bool
    reason: str

    def __str__(self):
        return "accepted" if self.accepted else "refused (%s)" % self.reason


def strict_integer(checker, instance):
    return isinstance(instance, int) and not isinstance(instance, bool)


StrictValidator = jsonschema.validators.extend(
    jsonschema.Draft202012Validator,
    type_checker=jsonschema.Draft202012Validator.TYPE_CHECKER.redefine("integer", strict_integer))


def schema_validator(path):
    schema = json.loads(pathlib.Path(path).read_text(encoding="utf-8"))
    StrictValidator.check_schema(schema)
    return StrictValidator(schema)


def not_json(text):
    raise ValueError("%s is not JSON" % text)


def finite_number(text):
    number = float(text)
    if math.isinf(number):
        raise ValueError("number overflow in %s" % text)
    return number


def read_document(path):
    """The file's JSON document as the libraries read it; raises ValueError when it is none."""
    text = path.read_bytes().decode("utf-8-sig")
    return json.loads(text, parse_constant=not_json, parse_float=finite_number)


def schema_verdict(validator, document):
    error = jsonschema.exceptions.best_match(validator.iter_errors(document))
    if error is None:
        return Verdict(True, "")
    return Verdict(False, "%s: %s at %s" % (error.validator, error.message[:160], error.json_path))


def schema_verdict_of_file(validator, path):
    try:
        document = read_document(path)
    except ValueError as error:
        return Verdict(False, "not a JSON document: %s" % error)
    return schema_verdict(validator, document)


def library_verdict(program, path):
    """Refused when the run ends with the library's bad-scenario status and line; any other
    ending, the library's other status-86 endings included, means that it read the scenario,
    and so does a run that a scripted delay holds past RUN_SECONDS."""
    try:
        completed = subprocess.run(program.command([]), env=program.environment(str(path), {}),
                                   stdin=subprocess.DEVNULL, capture_output=True,
                                   timeout=RUN_SECONDS)
    except subprocess.TimeoutExpired:
        return Verdict(True, "")
    library = re.escape(LIBRARY_NAMES[program.name].encode())
    found = re.search(rb"^%s: bad scenario: .*$" % library, completed.stderr, re.M)
    if completed.returncode == BAD_SCENARIO_STATUS and found:
        return Verdict(False, found.group(0).decode("utf-8", "replace"))
    return Verdict(True, "")


def file_problems(validator, program, folder):
    """One line per scenario file on which the schema and the library disagree."""
    paths = sorted(pathlib.Path(folder).rglob("*.json"))
    if not paths:
        yield "no scenario file under %s" % folder
    for path in paths:
        by_schema = schema_verdict_of_file(validator, path)
        by_library = library_verdict(program, path)
        if by_schema.accepted != by_library.accepted:
            yield "%s: the schema says %s, the library says %s" % (path, by_schema, by_library)
    print("%d scenario files of %s judged" % (len(paths), folder))


def generated_problems(validator, rules, seed, count):
    """One line per generated scenario that the schema refuses."""
    for index in range(count):
        scenario, _, _ = rules.generate(scenario_random(rules.name, seed, index))
        by_schema = schema_verdict(validator, scenario)
        if not by_schema.accepted:
            yield ("generated scenario (seed %s, index %d): the schema says %s, the library "
                   "accepts every generated scenario" % (seed, index, by_schema))
    print("%d generated scenarios of seed %s judged" % (count, seed))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("schema")
    parser.add_argument("folder")
    parser.add_argument("--program", choices=sorted(LIBRARY_NAMES), required=True)
    parser.add_argument("--build", required=True, help="build folder holding bin/ and lib/")
    parser.add_argument("--generated", type=int, default=0)
    parser.add_argument("--seed", default="1")
    args = parser.parse_args()
    validator = schema_validator(args.schema)
    rules = PROGRAMS[args.program]
    problems = list(file_problems(validator, Program(rules, os.path.abspath(args.build)),
                                  args.folder))
    problems += generated_problems(validator, rules, args.seed, args.generated)
    for problem in problems:
        print(problem)
    print("disagreements: %d" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
