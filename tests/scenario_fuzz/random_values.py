"""Random values for the scenario generators: numbers at and near the limits of their types,
odd text, list lengths, and the random source of one scenario."""
import random

INT32_MIN = -2**31
INT32_MAX = 2**31 - 1
UINT32_MAX = 2**32 - 1
INT64_MIN = -2**63
INT64_MAX = 2**63 - 1
UINT64_MAX = 2**64 - 1


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


def small_count(rng, weights):
    """A list length: weights[k] is the weight of length k."""
    return weighted(rng, [(w, k) for k, w in enumerate(weights)])


def scenario_random(program, seed, index):
    """The random source of one scenario: the same for the same program, seed and index."""
    return random.Random("%s:%s:%d" % (program, seed, index))


def self_test(expect):
    """Odd text stays within its field and reaches the field's end."""
    full = 0
    for index in range(2000):
        data = odd_bytes(random.Random(index))
        expect("odd text fits the field", len(data) <= 256)
        full += len(data) == 256 and b"\x00" not in data
    expect("some texts fill all 256 bytes without a NUL", full > 0)
