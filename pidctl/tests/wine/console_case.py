#!/usr/bin/env python3
"""Runs one end-to-end case of pidctl.exe under Wine against a console of its own.

    console_case.py --wineprefix DIR --winrun EXE --pidctl EXE --target EXE CASE

Wine attaches a console only to a process started on a terminal, so the target console
program (console_target.exe) runs under a pseudo-terminal through `script`, and writes its
Windows process id to a file. An "external" case then runs pidctl.exe on a pseudo-terminal
of its own (it must leave a console to attach to another), through winrun for the full exit
status and with standard error sent to a file. A "child" case has the target start
pidctl.exe as its child on the target's own console. Finally the target reports what it
observes (its title, input mode, whether Ctrl+C arrived, the child's status), and the case
compares exit status, standard error and those observations. A case that names calls runs
under Wine's call trace and checks their order in pidctl.exe's own calls (call_trace.py).
Every wait is bounded; a target that outlives its case is killed.
"""
import argparse
import os
import shlex
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

import call_trace

TIME_LIMIT = 30.0
INITIAL_TITLE = "pidctl target"
INITIAL_MODE = "0x1F7"
# Leading, inner and trailing blanks and non-ASCII text must all arrive as given.
UNICODE_TITLE = "  Grüße ✓ 標題  x "


@dataclass
class Case:
    mode: str                 # "external" or "child"
    args: list                # pidctl's arguments; "{pid}" stands for the target's pid
    status: int = 0           # pidctl's exit status
    stderr: str = ""          # pidctl's standard error, LF line ends
    report: dict = field(default_factory=dict)  # expected observations of the target
    await_ctrl_c: bool = False
    calls: list = field(default_factory=list)  # (function, arguments) in this order


CASES = {
    "title": Case("external", ["title", "{pid}", UNICODE_TITLE],
                  report={"title": UNICODE_TITLE, "input_mode": INITIAL_MODE}),
    "title_of_parent_console": Case("child", ["title", "-1", "set by a child"],
                                    report={"title": "set by a child", "child_status": "0"}),
    "noselect": Case("external", ["noselect", "{pid}"],
                     report={"input_mode": "0x1B7", "title": INITIAL_TITLE}),
    # The Ctrl+C that pidctl sends reaches pidctl too, which must ignore it first: on Windows
    # it would otherwise end with STATUS_CONTROL_C_EXIT, possibly before reporting.
    "ctrlc": Case("child", ["ctrlc", "{pid}"], await_ctrl_c=True,
                  report={"ctrl_c": "1", "child_status": "0"},
                  calls=[("SetConsoleCtrlHandler", "00000000,00000001"),
                         ("GenerateConsoleCtrlEvent", "00000000,00000000")]),
    # Wine's property store for a window is a stub: only the status can be checked.
    "appusermodelid": Case("external", ["appusermodelid", "{pid}", "Example.Console.App"],
                           report={"title": INITIAL_TITLE}),
    # Wine never shows the window of a terminal's console: only the status can be checked.
    "hide": Case("external", ["hide", "{pid}", "ignored"], report={"title": INITIAL_TITLE}),
    "invalid_command": Case("external", ["Hide", "{pid}"], status=1,
                            stderr="Invalid command\n",
                            report={"title": INITIAL_TITLE, "input_mode": INITIAL_MODE}),
    "title_without_value": Case("external", ["title", "{pid}"], status=1,
                                stderr="Usage: pidctl title <pid> <title>\n",
                                report={"title": INITIAL_TITLE}),
    "title_as_two_arguments": Case("external", ["title", "{pid}", "a", "b"], status=1,
                                   stderr="Usage: pidctl title <pid> <title>\n",
                                   report={"title": INITIAL_TITLE}),
    # No process has this pid; Wine's AttachConsole fails with ERROR_INVALID_HANDLE, and
    # the word is never looked at.
    "pid_without_console": Case("external", ["Hide", "4000000"], status=6,
                                report={"title": INITIAL_TITLE}),
}


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_environment(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               LC_ALL="C.UTF-8")
    return env


def on_terminal(command):
    """A `script` command that runs the shell command on a pseudo-terminal of its own."""
    return ["script", "-qfec", command, "/dev/null"]


def wait_for_file(path, process):
    deadline = time.monotonic() + TIME_LIMIT
    while time.monotonic() < deadline:
        if os.path.exists(path):
            return True
        if process is not None and process.poll() is not None:
            return os.path.exists(path)
        time.sleep(0.02)
    return False


def run_pidctl_on_own_terminal(opts, args, scratch, env):
    status_file = os.path.join(scratch, "status")
    errors_file = os.path.join(scratch, "stderr")
    words = ["wine", windows_path(opts.winrun), windows_path(status_file),
             windows_path(opts.pidctl)] + args
    command = " ".join(shlex.quote(word) for word in words) + " 2>" + shlex.quote(errors_file)
    subprocess.run(on_terminal(command), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, env=env, timeout=TIME_LIMIT, check=False)
    with open(status_file, "rb") as handle:
        status = int(handle.read().decode().strip())
    with open(errors_file, "rb") as handle:
        errors = handle.read().decode("utf-8", "backslashreplace")
    return status, errors


def start_target(opts, case, scratch, env):
    """Starts the target; a case that checks calls traces it and its child pidctl.exe into
    the file "trace"."""
    words = ["wine", windows_path(opts.target), windows_path(scratch)]
    if case.mode == "child":
        words += ["child"] + (["--await-ctrl-c"] if case.await_ctrl_c else [])
        words += [windows_path(opts.pidctl)] + case.args
    else:
        words += ["wait"]
    command = " ".join(shlex.quote(word) for word in words)
    if case.calls:
        env = dict(env, WINEDEBUG=call_trace.TRACE_DEBUG)
        command += " 2>" + shlex.quote(os.path.join(scratch, "trace"))
    return subprocess.Popen(on_terminal(command), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                            start_new_session=True)


def check_calls(opts, case, scratch):
    if not case.calls:
        return True
    with open(os.path.join(scratch, "trace"), "rb") as handle:
        lines = handle.read().decode("utf-8", "replace").splitlines()
    calls = call_trace.calls_from_program(lines, os.path.basename(opts.pidctl),
                                          call_trace.image_size(opts.pidctl))
    problem = call_trace.check_order(calls, case.calls)
    if problem:
        print(problem)
    return problem is None


def read_report(path):
    with open(path, "rb") as handle:
        lines = handle.read().decode("utf-8").splitlines()
    return dict(line.split("=", 1) for line in lines)


def end_target(target, pid_file, env):
    """Kills what a failed case left running: the Windows process, then the terminal."""
    if os.path.exists(pid_file):
        with open(pid_file) as handle:
            pid = handle.read().strip()
        subprocess.run(["wine", "taskkill", "/F", "/PID", pid], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                       timeout=TIME_LIMIT, check=False)
    os.killpg(target.pid, signal.SIGKILL)
    target.wait(timeout=TIME_LIMIT)


def compare(name, expected, actual):
    if expected == actual:
        return True
    print(f"{name}: expected {expected!r}, got {actual!r}")
    return False


def run_case(opts, case, scratch):
    env = wine_environment(opts.wineprefix)
    pid_file = os.path.join(scratch, "pid")
    report_file = os.path.join(scratch, "report")
    target = start_target(opts, case, scratch, env)
    try:
        if not wait_for_file(pid_file, target):
            print("the target did not start")
            return False
        ok = True
        if case.mode == "external":
            with open(pid_file) as handle:
                pid = handle.read().strip()
            args = [arg.replace("{pid}", pid) for arg in case.args]
            status, errors = run_pidctl_on_own_terminal(opts, args, scratch, env)
            ok &= compare("exit status", case.status, status)
            ok &= compare("standard error", case.stderr.replace("\n", "\r\n"), errors)
            open(os.path.join(scratch, "release"), "w").close()
        if not wait_for_file(report_file, target):
            print("the target wrote no report")
            return False
        target.wait(timeout=TIME_LIMIT)
        report = read_report(report_file)
        for key, value in case.report.items():
            ok &= compare(key, value, report.get(key))
        return ok & check_calls(opts, case, scratch)
    finally:
        if target.poll() is None:
            end_target(target, pid_file, env)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wineprefix", required=True)
    parser.add_argument("--winrun", required=True)
    parser.add_argument("--pidctl", required=True)
    parser.add_argument("--target", required=True)
    parser.add_argument("case", choices=sorted(CASES))
    opts = parser.parse_args()
    with tempfile.TemporaryDirectory() as scratch:
        sys.exit(0 if run_case(opts, CASES[opts.case], scratch) else 1)


if __name__ == "__main__":
    main()
