"""Reads Wine's call trace (+relay) and load trace (+loaddll) for the calls that one
program's own code makes into KERNEL32.

A call is the program's own when its return address lies in the program's image (its load
address from the load trace, its size from its PE header) and it was made on the thread
that loaded the image, so the calls of another process of the same trace, even one whose
image sits at the same address, are left out. pidctl runs on one thread.
"""
import re
import struct

TRACE_DEBUG = "+relay,+loaddll"
LOADED = re.compile(r'^(?P<thread>\w+):.*Loaded L"[^"]*\\\\(?P<name>[^"\\]+)" at '
                    r'(?P<base>[0-9A-Fa-f]+)')
CALL = re.compile(r"^(?P<thread>\w+):Call KERNEL32\.(?P<function>\w+)\((?P<args>[^)]*)\) "
                  r"ret=(?P<ret>\w+)$")


def image_size(path):
    with open(path, "rb") as handle:
        header = handle.read(4096)
    (pe_offset,) = struct.unpack_from("<I", header, 0x3C)
    (size,) = struct.unpack_from("<I", header, pe_offset + 24 + 56)
    return size


def calls_from_program(lines, name, size):
    """Yields (function, arguments) of each KERNEL32 call of the program's own code, in
    order; arguments as Wine prints them, e.g. "00000000,00000001"."""
    thread = base = None
    for line in lines:
        loaded = LOADED.search(line)
        if loaded and loaded["name"].lower() == name.lower():
            thread, base = loaded["thread"], int(loaded["base"], 16)
        call = CALL.match(line)
        if (call and call["thread"] == thread
                and base <= int(call["ret"], 16) < base + size):
            yield call["function"], call["args"]


def check_order(calls, expected):
    """Of the calls to the functions named in `expected` (a list of (function, arguments)),
    the first ones must be exactly `expected`, in that order. Returns an error text or
    None."""
    functions = {function for function, _ in expected}
    relevant = [call for call in calls if call[0] in functions]
    print("the program's calls, in order:", relevant)
    if relevant[:len(expected)] == list(expected):
        return None
    wanted = " before ".join(f"{function}({args})" for function, args in expected)
    return f"expected {wanted}"
