"""What every run of a fuzzed program must satisfy, and the run itself: strict JSON and JSON
prefixes, standard error made of whole messages, sanitizer reports, time bounds, the report
against its schema, and running a program of a build folder on one scenario."""
import json
import os
import re
import subprocess
import sys
import time
import typing

from random_values import INT32_MAX, INT32_MIN, scenario_random

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "contract"))
# The contract test's report reading and schemas.
from validate_reports import report_text, schema_validator  # noqa: E402

SCHEMAS = os.path.join(HERE, "..", "..", "schemas")

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


def interface_function_names(build, interface):
    """The function names of a vendor interface's list, as the build published them
    (interfaces/CMakeLists.txt): one a line in <build>/interfaces/<interface>.txt."""
    with open(os.path.join(build, "interfaces", interface + ".txt")) as names:
        return names.read().split()


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


# ---------------------------------------------------------------------------------------------
# Runs

class ProgramRules(typing.NamedTuple):
    """What the runs need to know of one program; each program's scenario module gives them."""
    name: str
    folder: str                  # the build's folder that holds the program
    library: str                 # file name of the simulated library in the build's lib/
    generate: typing.Callable    # random source -> (scenario, arguments, environment)
    time_bound: typing.Callable  # (scenario, base seconds) -> seconds the run may take
    check: typing.Callable       # (status, stdout, stderr, arguments, sanitized) -> problems
    expected_status: typing.Callable  # (scenario, arguments) -> 0, 1, or None for either
    # (environment, library path, scenario path): makes the program load the simulated library
    # and the library read the scenario.
    point_at_scenario: typing.Callable
    strip_prefix: typing.Optional[str]  # lines left out of a report before it is read


class Program:
    """A program of a build folder, run by its rules."""

    def __init__(self, rules, build):
        self.rules = rules
        self.name = rules.name
        self.path = os.path.join(build, rules.folder, rules.name)
        self.library = os.path.join(build, "lib", rules.library)
        self.schema = schema_validator(os.path.join(SCHEMAS, "%s-report.schema.json" % rules.name))
        for needed in (self.path, self.library):
            if not os.path.isfile(needed):
                raise SystemExit("scenario_fuzz: %s not found (build the programs first)" % needed)
        with open(self.path, "rb") as binary:
            self.sanitized = b"__asan_init" in binary.read()

    def environment(self, scenario_path, extra):
        env = dict(os.environ)
        # The loader's intercept setting comes from the scenario only, never from the caller.
        env.pop("ZE_ENABLE_LOADER_INTERCEPT", None)
        env.update(extra)
        self.rules.point_at_scenario(env, self.library, scenario_path)
        if self.sanitized:
            options = env.get("ASAN_OPTIONS", "")
            env["ASAN_OPTIONS"] = (options + ":" if options else "") + SANITIZER_OPTIONS
            options = env.get("UBSAN_OPTIONS", "")
            env["UBSAN_OPTIONS"] = (options + ":" if options else "") + "print_stacktrace=1"
        return env

    def schema_problems(self, stdout):
        document = json.loads(report_text(stdout, self.rules.strip_prefix))
        return ["not as the schema says: %s at %s" % (error.message[:160], error.json_path)
                for error in self.schema.iter_errors(document)]

    def command(self, arguments):
        # The sanitizer reserves terabytes of address space for itself, so only the plain build
        # runs under the cap; there the sanitizer's allocator limit does the same job.
        limit = [] if self.sanitized else ["prlimit", "--as=%d" % ADDRESS_SPACE_LIMIT, "--"]
        return limit + [self.path] + arguments


def run_one(program, seed, index, folder, base_timeout):
    """Runs scenario index of seed, written to folder, and returns the run with its problems."""
    rules = program.rules
    scenario, arguments, environment = rules.generate(scenario_random(program.name, seed, index))
    path = os.path.join(folder, "%s_%s_%d.json" % (program.name, seed, index))
    with open(path, "w", encoding="utf-8") as file:
        json.dump(scenario, file, indent=1, ensure_ascii=bool(index % 2))
        file.write("\n")
    bound = rules.time_bound(scenario, base_timeout)
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
    expected = rules.expected_status(scenario, arguments)
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
            problems.extend(rules.check(status, stdout, stderr, arguments, program.sanitized))
        if status == 0 and not problems:
            problems.extend(program.schema_problems(stdout))
    return {"index": index, "path": path, "arguments": arguments, "environment": environment,
            "status": status,
            "problems": problems, "stdout": stdout, "stderr": stderr, "elapsed": elapsed}


def self_test(expect):
    """The JSON readings and the sanitizer detection reject what they are there to reject."""
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

    # Sanitizer reports.
    expect("sanitizer reports are recognised",
           SANITIZER_REPORT.search(b"x\n==12==ERROR: LeakSanitizer: detected memory leaks\n")
           and SANITIZER_REPORT.search(b"a.cpp:25:47: runtime error: load of value 7\n")
           and not SANITIZER_REPORT.search(b"zeInit failed: 1\n"))
