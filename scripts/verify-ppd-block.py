#!/usr/bin/env python3
"""Proves that the tone-block texts of resources/ppd-texts.md make a working PPD option.

Reads the texts from the table in resources/ppd-texts.md, composes tone blocks from them
(a small reference composer: header, entries, tables, trailers, translation lines, block
end, in the order the program writes them), puts each block into a PPD before the right
anchor, and then checks what a printing system would see:

  * cupstestppd reports nothing new, apart from the missing translations of the new
    option for the languages of *cupsLanguages other than the application's (counted);
  * libcups finds the option, the default, one choice per setting, the translation lines
    and the decoded names;
  * Ghostscript runs each choice's code exactly as CUPS emits it, then paints a CMYK ramp
    of 256 patches per ink; every ink's output level must follow the setting's table
    within one level of 255. The transfer procedures are inspected too: bound, and each a
    function leaving one number. The Level 1 fallback is run as well;
  * the largest operand-stack use while the code is scanned and while it runs;
  * a second write replaces the block in place and an empty list restores the original.

Usage:
  verify-ppd-block.py --self-test             the sample PPDs and the built-in settings
  verify-ppd-block.py --ppd FILE [--keep DIR] one PPD with the built-in settings

Needs python3, cupstestppd (cups-client), libcups.so.2 and gs (ghostscript).
Exit status 0 when every check passed.
"""

import argparse
import ctypes
import ctypes.util
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEXTS_MD = os.path.join(ROOT, "resources", "ppd-texts.md")
SAMPLE_DIR = os.path.join(ROOT, "sample", "root", "etc", "cups", "ppd")

OPTION = "OrvaneTone"  # only used to look the option up; the block's text comes from the table


# --------------------------------------------------------------------------------------
# Texts


def load_texts(path=TEXTS_MD, lang="en"):
    """Returns {key: value} for one localisation of the application:
    ("STR#", 1000, 2) -> bytes, ("STR ", 130) -> bytes, ("PPD.plist", "OpenUI") -> bytes,
    ("PPDLocalized.plist", "OpenUI") -> bytes, ("Info.plist", "Support PPD") -> [str].
    Rows marked with a language, such as "'STR ' (ja)", belong to that localisation only."""
    row = re.compile(r"^\| (STR# \d+|'STR '|PPD\.plist|PPDLocalized\.plist|Info\.plist)"
                     r"(?: \((\w+)\))? \| ([^|]+?) \| `(.*?)` \|")
    texts, overridden = {}, set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = row.match(line)
            if not m:
                continue
            res, only, index, literal = m.group(1), m.group(2), m.group(3).strip(), m.group(4)
            if only and only != lang:
                continue
            value = json.loads(literal)
            if res.startswith("STR# "):
                key = ("STR#", int(res[5:]), int(index))
            elif res.startswith("'STR '"):
                key = ("STR ", int(index))
            else:
                key = (res, index)
            if isinstance(value, str):
                value = value.encode("utf-8")
                if key[0] in ("STR#", "STR ") and (len(value) > 255 or not value.isascii()):
                    raise SystemExit(f"{path}: {key} is not a 7-bit P-string")
            if not only and key in overridden:
                continue
            if key in texts and (not only or key in overridden):
                raise SystemExit(f"{path}: {key} defined twice for {lang}")
            if only:
                overridden.add(key)
            texts[key] = value
    return texts


def plist_value(texts, key):
    """A PPD fragment: the localisation's value, else the shared one ."""
    return texts.get(("PPDLocalized.plist", key), texts.get(("PPD.plist", key), b""))


def need(texts, *key):
    """A required text; missing or empty is the program's -192."""
    value = texts.get(key)
    if not value:
        raise KeyError(f"text {key} missing or empty (the program would report -192)")
    return value


# --------------------------------------------------------------------------------------
# Curves: the single-precision spline and table arithmetic of the program, so that the
# tables here are the ones the program writes.


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


INPUTS = [0, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 100]


@dataclass
class Curve:
    levels: list  # 13 levels in hundredths of a percent, -1 = no point
    gamma: int = -1


@dataclass
class Setting:
    name: str
    same_curve: bool
    curves: list = field(default_factory=list)  # 1 or 4 Curve


def gamma_y(v, g):
    r = f32(((v / 100.0) ** g) * 10000.0)
    return 0.0 if r < 0 else min(r, 10000.0)


def gamma_curve(G):
    g = f32(G / 100.0)
    levels = []
    for x in INPUTS:
        r = gamma_y(f32(x), g)
        levels.append((int(f32(r * 65536.0)) + 32768) >> 16)
    return Curve(levels, G)


def knots(curve):
    xs, ys = [0.0], [0.0]
    for x, level in zip(INPUTS, curve.levels):
        if level != -1:
            xs.append(f32(x))
            ys.append(f32(f32(level) / 100.0))
    return len(xs) - 1, xs, ys


def make_spline(n, x, y):
    d, u, w, p = [0.0] * (n + 2), [0.0] * (n + 2), [0.0] * (n + 2), [0.0] * (n + 2)
    for i in range(2, n):
        d[i] = f32(2.0 * f32(x[i + 1] - x[i - 1]))
    for i in range(1, n):
        u[i] = f32(x[i + 1] - x[i])
    for i in range(2, n):
        a = f32(f32(y[i + 1] - y[i]) / u[i])
        b = f32(f32(y[i] - y[i - 1]) / u[i - 1])
        w[i] = f32(6.0 * f32(a - b))
    for i in range(2, n - 1):
        w[i + 1] = f32(w[i + 1] - f32(f32(u[i] * w[i]) / d[i]))
        d[i + 1] = f32(d[i + 1] - f32(f32(u[i] * u[i]) / d[i]))
    for i in range(n - 1, 1, -1):
        p[i] = f32(f32(w[i] - f32(u[i] * p[i + 1])) / d[i])
    return p


def spline_y(n, x, y, p, v):
    i = 1
    while i < n - 1 and v > x[i + 1]:
        i += 1
    h = f32(x[i + 1] - x[i])
    t = f32(f32(v - x[i]) / h)
    s = f32(1.0 - t)
    a = f32(f32(t * y[i + 1]) + f32(s * y[i]))
    q1 = f32(f32(f32(f32(t * t) * t) - t) * p[i + 1])
    q2 = f32(f32(f32(f32(s * s) * s) - s) * p[i])
    b = f32(f32(h * h) * f32(q1 + q2))
    r = f32(a + b / 6.0)
    return 0.0 if r < 0 else min(r, 100.0)


def table_levels(curve):
    """The 256 output levels in hundredths on a 0 ... 255 scale (index k = input k/255)."""
    n, x, y = knots(curve)
    p = make_spline(n, x, y)
    out = []
    for k in range(256):
        xin = f32((255 - k) * (100.0 / 255.0))
        yout = spline_y(n, x, y, p, xin)
        fixed = int(f32(f32(25500.0 - 255.0 * yout) * 65536.0))
        out.append((fixed + 32768) // 65536)
    return out


def number_text(v):
    s = "%d.%02d" % (v // 100, v % 100)
    return s.rstrip("0").rstrip(".")


def table_text(levels):
    parts = []
    for k, v in enumerate(levels):
        parts.append(number_text(v) + ("\n" if k % 10 == 9 else "\t"))
    return "".join(parts).encode("ascii")


# --------------------------------------------------------------------------------------
# Composition


ENCODINGS = {b"ISOLatin1": "latin-1", b"JIS83-RKSJ": "shift_jis", b"UTF-8": "utf-8"}


def ppd_escape(raw):
    """Bytes that would end or corrupt a translation string, in PPD hexadecimal form."""
    out = bytearray()
    for b in raw:
        if b < 0x20 or b == 0x7F or b in b':<"':
            out += b"<%02X>" % b
        else:
            out.append(b)
    return bytes(out)


# libcups keeps 80 bytes of a translation string, and its strict reading (cupstestppd)
# refuses the whole PPD when one is longer; a 32-character name can be 96 bytes in UTF-8.
MAX_TEXT = 80


def fitted(name, codec):
    """The name in the codec, cut at a character boundary to MAX_TEXT bytes; None when the
    codec cannot write it or it is empty."""
    try:
        raw = name.encode(codec)
    except UnicodeEncodeError:
        return None
    if len(raw) > MAX_TEXT:
        raw = b""
        for ch in name:
            piece = ch.encode(codec)
            if len(raw) + len(piece) > MAX_TEXT:
                break
            raw += piece
    return raw or None


def convert(name, codec):
    raw = fitted(name, codec)
    return ppd_escape(raw) if raw else None


def compose(texts, settings, ppd_type, codec, new_block):
    T = lambda i: need(texts, "STR#", 1000, i)
    S = lambda i: need(texts, "STR#", 2000, i)
    out = bytearray()
    if ppd_type == 1:
        need(texts, "STR ", 2000)
        out += plist_value(texts, "OpenUI")
        out += plist_value(texts, "OrderDependency")
    else:
        out += T(7)
    lang = None
    for i, s in enumerate(settings):
        num = str(i + 1).encode()
        out += T(8) + num
        if ppd_type == 0:
            conv = convert(s.name, codec)
            out += T(9) + conv if conv else S(2) + num
        else:
            conv = convert(s.name, "utf-8") if codec == "utf-8" else None
            out += b"/" + conv if conv else S(2) + num
        out += T(10)
        for c in s.curves[:1] if s.same_curve else s.curves:
            out += T(11) + table_text(table_levels(c)) + T(12)
        for j in range(24, 30) if s.same_curve else range(13, 23):
            out += T(j)
        if ppd_type == 1 and codec != "utf-8":
            folder = need(texts, "STR ", 130)
            if len(folder) < 7:
                raise KeyError("'STR ' 130 shorter than seven characters (-192)")
            lang = folder[:-6]
            out += S(3) + lang + S(5) + num
            conv = convert(s.name, "utf-8")
            out += b"/" + conv if conv else S(2) + num
            out += S(4)
    out += T(31)
    if new_block:
        out += b"\n\n\n"
    return bytes(out)


def ppd_kind(texts, data):
    """(ppd_type, codec) of a PPD's bytes, as the program derives them."""
    ppd_type = 1 if need(texts, "STR#", 2000, 1) in data else 0
    m = re.search(rb"^\*LanguageEncoding:\s*(\S+)", data, re.M)
    codec = ENCODINGS.get(m.group(1) if m else None, "mac_roman")
    return ppd_type, codec


def write_block(texts, data, settings):
    """The PPD's new bytes: the block replaces an old one or goes before the first anchor."""
    begin, end = need(texts, "STR#", 1000, 3), need(texts, "STR#", 1000, 4)
    ppd_type, codec = ppd_kind(texts, data)
    start, stop = data.find(begin), data.find(end)
    if start >= 0 and stop >= start:
        new_block = False
        tail = stop + len(end) + (3 if not settings else 0)
    else:
        new_block = True
        start = -1
        for i in (32, 33, 5, 6):
            start = data.find(need(texts, "STR#", 1000, i))
            if start >= 0:
                break
        if start < 0:
            start = len(data)
        tail = start
    block = compose(texts, settings, ppd_type, codec, new_block) if settings else b""
    return data[:start] + block + data[tail:], start


def recognise(texts, path, cups):
    """The program's rule: first bytes, then the marker or a listed attribute."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(need(texts, "STR#", 1000, 2)):
        return False
    if need(texts, "STR#", 1000, 34) in data:
        return True
    names = texts.get(("Info.plist", "Support PPD"), [])
    return bool(names) and cups.has_any_attr(path, names)


# --------------------------------------------------------------------------------------
# libcups


class ppd_choice_t(ctypes.Structure):
    _fields_ = [("marked", ctypes.c_char), ("choice", ctypes.c_char * 41),
                ("text", ctypes.c_char * 81), ("code", ctypes.c_char_p),
                ("option", ctypes.c_void_p)]


class ppd_option_t(ctypes.Structure):
    _fields_ = [("conflicted", ctypes.c_char), ("keyword", ctypes.c_char * 41),
                ("defchoice", ctypes.c_char * 41), ("text", ctypes.c_char * 81),
                ("ui", ctypes.c_int), ("section", ctypes.c_int), ("order", ctypes.c_float),
                ("num_choices", ctypes.c_int), ("choices", ctypes.POINTER(ppd_choice_t))]


class ppd_attr_t(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char * 41), ("spec", ctypes.c_char * 41),
                ("text", ctypes.c_char * 81), ("value", ctypes.c_char_p)]


PPD_ORDER_ANY = 0


class Cups:
    def __init__(self):
        self.lib = ctypes.CDLL(ctypes.util.find_library("cups") or "libcups.so.2")
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"))
        L = self.lib
        L.ppdOpenFile.restype = ctypes.c_void_p
        L.ppdOpenFile.argtypes = [ctypes.c_char_p]
        L.ppdClose.argtypes = [ctypes.c_void_p]
        L.ppdFindOption.restype = ctypes.POINTER(ppd_option_t)
        L.ppdFindOption.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
        L.ppdFindAttr.restype = ctypes.POINTER(ppd_attr_t)
        L.ppdFindAttr.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p]
        L.ppdFindChoice.restype = ctypes.POINTER(ppd_choice_t)
        L.ppdFindChoice.argtypes = [ctypes.POINTER(ppd_option_t), ctypes.c_char_p]
        L.ppdMarkDefaults.argtypes = [ctypes.c_void_p]
        L.ppdMarkOption.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p]
        L.ppdEmitString.restype = ctypes.c_void_p
        L.ppdEmitString.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_float]
        L.ppdLastError.argtypes = [ctypes.POINTER(ctypes.c_int)]
        L.ppdErrorString.restype = ctypes.c_char_p
        L.ppdErrorString.argtypes = [ctypes.c_int]
        self.libc.free.argtypes = [ctypes.c_void_p]

    def open(self, path):
        ppd = self.lib.ppdOpenFile(path.encode())
        if not ppd:
            line = ctypes.c_int(0)
            status = self.lib.ppdLastError(ctypes.byref(line))
            raise RuntimeError(f"libcups refuses {path}: "
                               f"{self.lib.ppdErrorString(status).decode()} on line {line.value}")
        return ppd

    def has_any_attr(self, path, names):
        ppd = self.lib.ppdOpenFile(path.encode())
        if not ppd:
            return False
        try:
            for n in names:
                a = self.lib.ppdFindAttr(ppd, n.encode(), None)
                if a and a.contents.value is not None:
                    return True
            return False
        finally:
            self.lib.ppdClose(ppd)

    def inspect(self, path, keyword, lang):
        """(option facts, {choice: emitted PostScript}) of the option in the PPD."""
        ppd = self.open(path)
        try:
            opt = self.lib.ppdFindOption(ppd, keyword.encode())
            if not opt:
                return None, {}
            o = opt.contents
            facts = {"text": o.text.decode("utf-8", "replace"),
                     "default": o.defchoice.decode(), "order": o.order, "ui": o.ui,
                     "choices": [], "translations": {}}
            for i in range(o.num_choices):
                c = o.choices[i]
                name = c.choice.decode()
                facts["choices"].append((name, c.text))
                assert self.lib.ppdFindChoice(opt, c.choice)
                if lang:
                    a = self.lib.ppdFindAttr(ppd, f"{lang}.{keyword}".encode(), c.choice)
                    if a:
                        facts["translations"][name] = a.contents.text
            emitted = {}
            for name, _ in facts["choices"]:
                self.lib.ppdMarkDefaults(ppd)
                self.lib.ppdMarkOption(ppd, keyword.encode(), name.encode())
                # Only this option: the others are at lower orders.
                p = self.lib.ppdEmitString(ppd, PPD_ORDER_ANY, ctypes.c_float(o.order))
                emitted[name] = ctypes.string_at(p).decode("latin-1") if p else ""
                if p:
                    self.libc.free(p)
            return facts, emitted
        finally:
            self.lib.ppdClose(ppd)


# --------------------------------------------------------------------------------------
# cupstestppd


def cupstestppd(path):
    env = dict(os.environ, LC_ALL="C", LANG="C")  # messages in English, as parsed below
    r = subprocess.run(["cupstestppd", "-v", path], capture_output=True, env=env)
    lines = []
    for line in (r.stdout + r.stderr).decode("utf-8", "replace").splitlines()[1:]:
        s = line.strip()
        if s and not s.startswith("PASS") and "CONFORMANCE TEST RESULTS" not in s \
                and not re.match(r"^\d+ ERRORS FOUND$", s) and s != "NO ERRORS FOUND":
            lines.append(s)
    return r.returncode, lines


def compare_cupstestppd(before, after, app_lang):
    """New findings split into expected missing translations and real regressions."""
    rest = list(before[1])
    new = []
    for line in after[1]:
        if line in rest:
            rest.remove(line)
        else:
            new.append(line)
    missing = re.compile(r'Missing "([a-zA-Z_]+)" translation string for option ' + OPTION
                         + r'(, choice \w+)?\.$')
    expected = [l for l in new if missing.search(l) and missing.search(l).group(1) != app_lang]
    # A localised PPD that is not ISO Latin-1 is refused by CUPS as it stands; the names
    # written into it as UTF-8 base texts are then reported as 8-bit texts as well.
    if any("Bad LanguageEncoding" in l for l in before[1]):
        expected += [l for l in new if re.search(
            r"Default translation string for option " + OPTION + r" choice \w+ contains "
            r"8-bit characters\.$", l)]
    # Headers that only group the expected lines.
    noise = [l for l in new if l in ("**FAIL**  Bad translation strings",
                                      "WARN    Bad translation strings")]
    rest = [l for l in new if l not in expected and l not in noise]
    warnings = [l for l in rest if l.startswith("WARN")]
    bad = [l for l in rest if not l.startswith("WARN")]
    return expected, bad, warnings


# --------------------------------------------------------------------------------------
# Ghostscript

RAMP = """
%% Four rows of 256 one-point patches: row i paints ink i at 0/255 ... 255/255.
0 1 255 { /j exch def
  j 255 div 0 0 0 setcmykcolor j 0 1 1 rectfill
  0 j 255 div 0 0 setcmykcolor j 1 1 1 rectfill
  0 0 j 255 div 0 setcmykcolor j 2 1 1 rectfill
  0 0 0 j 255 div setcmykcolor j 3 1 1 rectfill
} for
showpage
"""

PROBE = """
%% Each installed transfer procedure: bound (no executable names), and a function of
%% its operand that leaves exactly one number.
/orvchk { { dup type /nametype eq
            { dup xcheck { (ORVANE-UNBOUND ) print == } { pop } ifelse }
            { dup type dup /arraytype eq exch /packedarraytype eq or
              1 index xcheck and { orvchk } { pop } ifelse } ifelse } forall } def
/orvprobe { dup orvchk
  [ -0.5 0 0.002 0.25 0.5 0.75 0.998 1 1.5 ] {
    count /orvc exch def 1 index exec count orvc ne { (ORVANE-STACK) = } if
    dup type dup /realtype ne exch /integertype ne and { (ORVANE-TYPE) = } if
    dup 0 lt 1 index 1 gt or { (ORVANE-RANGE) = } if pop } forall pop } def
currentcolortransfer orvprobe orvprobe orvprobe orvprobe
"""


def gs_run(ps, device="pamcmyk32"):
    with tempfile.TemporaryDirectory() as d:
        out = os.path.join(d, "out")
        r = subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", f"-sDEVICE={device}",
                            "-r72", "-o", out, "-"], input=ps.encode("latin-1"),
                           capture_output=True)
        text = (r.stdout + r.stderr).decode("latin-1")
        data = open(out, "rb").read() if os.path.exists(out) else b""
    return r.returncode, text, data


def ramp_levels(feature_code, probe=True):
    """Ink levels 0 ... 255 per ink after running the feature code, or an error text."""
    ps = ("%!PS\n<< /PageSize [256 4] >> setpagedevice\n"
          + feature_code.replace("} stopped cleartomark",
                                 "} stopped {(ORVANE-FAILED) = flush} if cleartomark")
          + (PROBE if probe else "") + RAMP)
    rc, text, data = gs_run(ps)
    if rc != 0 or "ORVANE-" in text or "Error" in text:
        return None, text.strip()
    body = data[data.index(b"ENDHDR\n") + 7:]
    rows = {}
    for ink in range(4):
        row = body[(3 - ink) * 256 * 4:(4 - ink) * 256 * 4]
        rows[ink] = [row[4 * j + ink] for j in range(256)]
    return rows, ""


def expected_ink(levels, j):
    """Ink level after the transfer for ink input j/255 (additive input (255-j)/255)."""
    return 255 - levels[255 - j] / 100.0


def gs_capacity_probe(prefill, code):
    ps = ("%!PS\n<< /MaxOpStack 500 >> setuserparams\n"
          + (f"1 1 {prefill} {{}} for\n" if prefill else "")
          + code.replace("} stopped cleartomark",
                         "} stopped {(ORVANE-FAILED) = flush} if cleartomark")
          + "\nclear\n")
    rc, text, _ = gs_run(ps, device="nullpage")
    return rc == 0 and "ORVANE-" not in text and "Error" not in text


def gs_peak_operands(code):
    """Largest operand-stack use of the code (scanning and running), measured in
    Ghostscript: the most items that can sit below it without an overflow, subtracted
    from the most that fit below a code that uses one entry."""
    def room(c):
        lo, hi = 0, 4000
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if gs_capacity_probe(mid, c):
                lo = mid
            else:
                hi = mid - 1
        return lo
    base = room("0 pop\n")
    return base - room(code) + 1


TOKEN = re.compile(rb"""
    (?P<ws>[ \t\r\n\f\x00]+) | (?P<comment>%[^\r\n]*) |
    (?P<open>\{) | (?P<close>\}) | (?P<dict><<|>>) | (?P<delim>[\[\]]) |
    (?P<string>\() | (?P<hex><[0-9A-Fa-f \t\r\n]*>) |
    (?P<imm>//[^ \t\r\n\f()<>\[\]{}/%]+) |
    (?P<word>/?[^ \t\r\n\f()<>\[\]{}/%]+)
""", re.X)


def scan_tokens(data):
    """PostScript tokens (kind, bytes)."""
    i, out = 0, []
    while i < len(data):
        m = TOKEN.match(data, i)
        if not m:
            raise ValueError(f"cannot scan at {data[i:i + 20]!r}")
        kind = m.lastgroup
        if kind == "string":
            depth, j = 1, i + 1
            while depth:
                ch = data[j:j + 1]
                if ch == b"\\":
                    j += 1
                elif ch == b"(":
                    depth += 1
                elif ch == b")":
                    depth -= 1
                j += 1
            out.append(("string", data[i:j]))
            i = j
            continue
        if kind not in ("ws", "comment"):
            out.append((kind, m.group(0)))
        i = m.end()
    return out


def scan_peak(code):
    """Largest operand-stack use while the interpreter scans the emitted feature code:
    marks of open `[` and `{` plus every element of each procedure still being built."""
    depth = peak = 0
    frames = []
    for kind, tok in scan_tokens(code.encode("latin-1")):
        if kind == "open":
            depth += 1
            frames.append(0)
        elif kind == "close":
            depth -= frames.pop() + 1
            depth += 1
            if frames:
                frames[-1] += 1
        elif frames:
            depth += 1
            frames[-1] += 1
        elif tok == b"[":
            depth += 1
        elif tok in (b"cleartomark",):
            depth = 0
        peak = max(peak, depth)
    return peak


# Level 1 and 2 operators the trailer may use; any other executable name is a fault
# (for example `max`, which Ghostscript has but printers do not).
STANDARD_OPERATORS = set("""
    exch pop dup copy index roll clear count mark cleartomark counttomark
    add sub mul div idiv mod neg abs ceiling floor round truncate sqrt exp ln log cvi cvr
    array length get put getinterval putinterval aload astore forall string token
    bind cvx cvlit xcheck def load where known begin end exec if ifelse for repeat loop exit
    stopped eq ne gt ge lt le and or not true false null type
    settransfer setcolortransfer currenttransfer currentcolortransfer [ ]
""".split())


def nonstandard_names(code):
    names = set()
    for kind, tok in scan_tokens(code.encode("latin-1")):
        if kind == "imm":
            names.add(tok.decode())
        elif kind == "word" and not tok.startswith(b"/"):
            t = tok.decode()
            if not re.fullmatch(r"[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?", t) \
                    and t not in STANDARD_OPERATORS:
                names.add(t)
    return names


# --------------------------------------------------------------------------------------
# Settings used by the checks


def demo_settings():
    ident = Curve([0] + [-1] * 11 + [10000])
    s_curve = Curve([0, -1, 300, 1500, -1, 4200, 5000, 6100, -1, 8800, -1, 9800, 10000])
    overshoot = Curve([0, 10000, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, 10000])
    bulge = Curve([0] + [-1] * 5 + [8000] + [-1] * 5 + [10000])
    full = Curve([10000] * 13)
    none = Curve([0] * 13)
    return [
        Setting("Identity", True, [ident]),
        Setting("Gamma 1.80", True, [gamma_curve(180)]),
        Setting("Warm: proof <A>", False,
                [gamma_curve(140), gamma_curve(80), ident, s_curve]),
        Setting("Café crème", False,
                [overshoot, gamma_curve(250), gamma_curve(60), gamma_curve(100)]),
        Setting("写真", True, [bulge]),
        # 85 bytes in UTF-8: cut to 26 characters (78 bytes) where written as UTF-8.
        Setting("€" * 27 + " max", False, [full, none, gamma_curve(300), ident]),
    ]


def self_check_arithmetic():
    """The reference arithmetic against the values the program's documents give."""
    problems = []
    cases = {220: [0, 14, 63, 290, 707, 1332, 2176, 3250, 4563, 6121, 7931, 8933, 10000],
             45: [0, 2597, 3548, 4847, 5817, 6621, 7320, 7946, 8517, 9045, 9537, 9772, 10000],
             100: [0, 500, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 9500, 10000]}
    for G, want in cases.items():
        if gamma_curve(G).levels != want:
            problems.append(f"gamma {G}: {gamma_curve(G).levels}")
    ident = table_levels(Curve([0] + [-1] * 11 + [10000]))
    if ident != [k * 100 for k in range(256)]:
        problems.append("identity table is not 0 ... 255")
    if set(table_levels(Curve([10000] * 13))) != {0}:
        problems.append("a 100 % curve does not give 0 everywhere")
    if set(table_levels(Curve([0] * 13))) != {25500}:
        problems.append("a 0 % curve does not give 255 everywhere")
    for v, want in [(25500, "255"), (12750, "127.5"), (12345, "123.45"), (100, "1"),
                    (50, "0.5"), (5, "0.05"), (0, "0")]:
        if number_text(v) != want:
            problems.append(f"number text {v}: {number_text(v)}")
    return problems


# --------------------------------------------------------------------------------------
# The program's resource sources and bundle, compared with the texts


def rez_strings(folder=os.path.join(ROOT, "resources")):
    """{key: bytes} of the 'STR ' and 'STR#' resources in the *.rsrc.txt sources."""
    lit = re.compile(r'"((?:[^"\\]|\\.)*)"')
    esc = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}

    def unescape(t):
        return re.sub(r"\\(x[0-9A-Fa-f]{2}|.)",
                      lambda m: chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == "x"
                      else esc.get(m.group(1), m.group(1)), t)

    out, res, last = {}, None, None
    for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
        if not name.endswith(".rsrc.txt"):
            continue
        for line in open(os.path.join(folder, name), encoding="utf-8"):
            # A comment starts at a # outside string literals and the quoted type.
            hide = re.sub(r'"(?:[^"\\]|\\.)*"|\'.{4}\'',
                          lambda m: m.group(0).replace("#", "\0"), line)
            code = re.sub(r"#.*$", "", hide).replace("\0", "#")
            m = re.match(r"\s*resource '(.{4})' (-?\d+)", code)
            if m:
                res, last = (m.group(1), int(m.group(2))), None
                continue
            m = re.match(r"\s*(item (\d+)|string)\s+(.*)$", code)
            if m and res:
                key = ("STR#", res[1], int(m.group(2))) if m.group(2) else ("STR ", res[1])
                out[key] = "".join(unescape(t) for t in lit.findall(m.group(3)))
                last = key
                continue
            if last and code.strip().startswith('"'):
                out[last] += "".join(unescape(t) for t in lit.findall(code))
    return {k: v.encode("mac_roman") for k, v in out.items()}


def bundle_values(lang):
    import plistlib
    base = os.path.join(ROOT, "bundle")
    out = {}
    for key, path in ((("PPD.plist", None), "Resources/PPD.plist"),
                      (("PPDLocalized.plist", None), f"Resources/{lang}.lproj/PPDLocalized.plist"),
                      (("Info.plist", None), "Info.plist")):
        full = os.path.join(base, path)
        if os.path.exists(full):
            with open(full, "rb") as f:
                d = plistlib.load(f)
            for k, v in d.items():
                if key[0] == "Info.plist" and k != "Support PPD":
                    continue
                out[(key[0], k)] = v.encode("utf-8") if isinstance(v, str) else v
    return out


def pasted_forms(path=TEXTS_MD):
    """{key: value} read back from the "Ready to paste" blocks of the texts file."""
    import plistlib
    text = open(path, encoding="utf-8").read()
    out = {"en": {}, "ja": {}}
    for info, body in re.findall(r"^```(rsrc|plist[^\n]*)\n(.*?)^```", text, re.S | re.M):
        if info == "rsrc":
            with tempfile.TemporaryDirectory() as d:
                open(os.path.join(d, "x.rsrc.txt"), "w", encoding="utf-8").write(body)
                out["en"].update(rez_strings(d))
            continue
        d = plistlib.loads(body.encode("utf-8"))
        name = info.split()[1]
        lang = name.split(".lproj")[0] if ".lproj" in name else None
        res = "PPDLocalized.plist" if lang else name
        for k, v in d.items():
            value = v.encode("utf-8") if isinstance(v, str) else v
            for target in ([lang] if lang else ["en", "ja"]):
                out[target][(res, k)] = value
    return out


def compare_resources(texts, lang):
    """Keys whose value in the program's sources differs from the texts here."""
    have = rez_strings()
    have.update(bundle_values(lang))
    differ = []
    for key, want in sorted(texts.items(), key=str):
        if key[0] == "STR#" and key[2] in (1, 23, 30):
            continue
        got = have.get(key)
        if got != want:
            differ.append(f"{key}: {'missing' if got is None else 'differs'}")
    return differ


# --------------------------------------------------------------------------------------
# Checks of one PPD


class Report:
    def __init__(self):
        self.failures = 0

    def ok(self, cond, what, detail=""):
        mark = "ok  " if cond else "FAIL"
        if not cond:
            self.failures += 1
        print(f"  {mark} {what}" + (f": {detail}" if detail else ""))
        return cond


def check_lines(block):
    return [i + 1 for i, line in enumerate(block.split(b"\n")) if len(line) > 255]


def verify_ppd(texts, cups, path, settings, rep, keep=None, label=None, operands=False):
    with open(path, "rb") as f:
        original = f.read()
    name = label or os.path.basename(path)
    ppd_type, codec = ppd_kind(texts, original)
    app_lang = need(texts, "STR ", 130)[:-6].decode()
    print(f"{name}: ppd_type {ppd_type}, encoding {codec}")

    modified, start = write_block(texts, original, settings)
    block = modified[start:start + len(modified) - len(original)]
    at = original[start:start + 16].split(b"\n")[0].decode("latin-1") or "end of file"
    rep.ok(True, f"block of {len(block)} bytes inserted before \"{at}\"")
    long_lines = check_lines(block)
    rep.ok(not long_lines, "every line of the block at most 255 bytes", str(long_lines))

    with tempfile.TemporaryDirectory() as d:
        orig_path = os.path.join(d, "original.ppd")
        mod_path = os.path.join(d, "modified.ppd")
        open(orig_path, "wb").write(original)
        open(mod_path, "wb").write(modified)
        if keep:
            os.makedirs(keep, exist_ok=True)
            shutil.copy(mod_path, os.path.join(keep, os.path.basename(path)))

        before, after = cupstestppd(orig_path), cupstestppd(mod_path)
        expected, bad, warnings = compare_cupstestppd(before, after, app_lang)
        rep.ok(not bad, f"cupstestppd: no new failure (exit {before[0]} before, {after[0]} "
                        f"after) except {len(expected)} expected findings", "; ".join(bad))
        for line in warnings:
            print(f"       new warning: {line}")
        for line in sorted(set(re.sub(r"(option|choice) \w+", r"\1 ...", l) for l in expected)):
            n = sum(1 for l in expected
                    if re.sub(r"(option|choice) \w+", r"\1 ...", l) == line)
            print(f"       expected: {n} x {line}")
        for line in before[1]:
            if "WARN" in line or "FAIL" in line:
                print(f"       original already reports: {line}")

        facts, emitted = cups.inspect(mod_path, OPTION, app_lang)
        if not rep.ok(facts is not None, "libcups finds the option"):
            return
        want = ["None"] + [f"Tone{i + 1}" for i in range(len(settings))]
        got = [c for c, _ in facts["choices"]]
        rep.ok(got == want, "one choice per setting, plus None", " ".join(got))
        rep.ok(facts["default"] == "None", "default names an existing choice",
               facts["default"])
        for i, s in enumerate(settings):
            n = i + 1
            base = dict(facts["choices"])[f"Tone{n}"].decode("utf-8", "replace")
            shown = fitted(s.name, codec)
            if ppd_type == 0:
                want = shown.decode(codec) if shown else f"Setting {n}"
            else:
                want = shown.decode(codec) if codec == "utf-8" else f"Setting {n}"
            rep.ok(base == want, f"Tone{n} text is {want!r}", repr(base))
            if ppd_type == 1 and codec != "utf-8":
                want = fitted(s.name, "utf-8").decode("utf-8")
                tr = facts["translations"].get(f"Tone{n}", b"").decode("utf-8", "replace")
                rep.ok(tr == want, f"Tone{n} {app_lang} translation is {want!r}", repr(tr))

        # Ghostscript, each choice as CUPS emits it.
        worst = 0.0
        for i, s in enumerate(settings):
            code = emitted.get(f"Tone{i + 1}", "")
            odd = nonstandard_names(code)
            rep.ok(not odd, f"Tone{i + 1} uses only standard operators", " ".join(sorted(odd)))
            tables = [table_levels(c) for c in (s.curves[:1] * 4 if s.same_curve else s.curves)]
            variants = [("", tables)]
            if not s.same_curve:
                variants.append((" (Level 1 fallback)", [tables[3]] * 4))
            for suffix, tabs in variants:
                run = code if not suffix else code.replace("/setcolortransfer where",
                                                           "/OrvaneNoSuchOperator where")
                rows, err = ramp_levels(run)
                if not rep.ok(rows is not None, f"Tone{i + 1}{suffix} runs in Ghostscript", err):
                    continue
                devs = []
                for ink in range(4):
                    dev = max(abs(rows[ink][j] - expected_ink(tabs[ink], j)) for j in range(256))
                    devs.append(dev)
                worst = max(worst, max(devs))
                rep.ok(max(devs) <= 1.0, f"Tone{i + 1}{suffix} CMYK levels follow the curves",
                       "largest difference C %.2f M %.2f Y %.2f K %.2f" % tuple(devs))
        rows, err = ramp_levels(emitted.get("None", ""), probe=False)
        if rep.ok(rows is not None, "None runs in Ghostscript", err):
            same = all(rows[ink][j] == j for ink in range(4) for j in range(256))
            rep.ok(same, "None leaves every level unchanged")

        if operands:
            sampling = gs_peak_operands("[{\n{dup mul} settransfer\n} stopped cleartomark\n")
            print(f"       (Ghostscript's own sampling of one transfer procedure takes "
                  f"{sampling} entries)")
            for i, s in enumerate(settings):
                code = emitted.get(f"Tone{i + 1}", "")
                scan = scan_peak(code)
                own = gs_peak_operands(
                    re.sub(r"(?<![/\w])settransfer", "pop",
                           re.sub(r"(?<![/\w])setcolortransfer", "pop pop pop pop", code)))
                total = gs_peak_operands(code)
                rep.ok(scan < 500 and own < 500 and total < 500,
                       f"Tone{i + 1} operand stack: {scan} while scanning, {own} while "
                       f"running, {total} with Ghostscript's sampling (limit 500)")

    # Round trips of the text.
    other = settings[:1] + [Setting("Second write", True, [gamma_curve(120)])]
    again, start2 = write_block(texts, modified, other)
    rep.ok(start2 == start and again[:start] == original[:start]
           and again.endswith(original[start:]), "a second write replaces the block in place")
    emptied, _ = write_block(texts, again, [])
    rep.ok(emptied == original, "an empty list gives back the original bytes")


# --------------------------------------------------------------------------------------


def self_test(texts, cups, keep, strict=False):
    rep = Report()
    print("reference arithmetic")
    for p in self_check_arithmetic():
        rep.ok(False, p)
    rep.ok(True, "gamma levels, identity and flat tables, number texts")

    samples = sorted(f for f in os.listdir(SAMPLE_DIR) if f.endswith(".ppd"))
    print("recognition")
    for f in samples:
        path = os.path.join(SAMPLE_DIR, f)
        data = open(path, "rb").read()
        colour = re.search(rb"^\*ColorDevice:\s*True", data, re.M) is not None
        rep.ok(recognise(texts, path, cups) == colour,
               f"{f} {'accepted' if colour else 'refused'}")
    with tempfile.TemporaryDirectory() as d:
        src = open(os.path.join(SAMPLE_DIR, "Quillmark_ColorPage_5.ppd"), "rb").read()
        tabbed = src.replace(b"*ColorDevice: True", b"*ColorDevice:\tTrue")
        p1, p2 = os.path.join(d, "tabbed.ppd"), os.path.join(d, "profiled.ppd")
        open(p1, "wb").write(tabbed)
        open(p2, "wb").write(tabbed.replace(
            b"*DefaultResolution:",
            b'*cupsICCProfile CMYK../Colour: "/usr/share/color/icc/none.icc"\n'
            b"*DefaultResolution:"))
        rep.ok(not recognise(texts, p1, cups), "ColorDevice written with a tab: refused")
        rep.ok(recognise(texts, p2, cups), "the same with a cupsICCProfile: accepted")

    settings = demo_settings()
    for f in samples:
        path = os.path.join(SAMPLE_DIR, f)
        if not recognise(texts, path, cups):
            continue
        verify_ppd(texts, cups, path, settings, rep, keep, operands=(f == samples[0]))

    # Variants the samples cannot be, because cupstestppd refuses them as they stand or
    # because they exercise another encoding: a UTF-8 localised PPD (ppd_type 1, UTF-8)
    # and a Shift-JIS one.
    src = open(os.path.join(SAMPLE_DIR, "Quillmark_ColorPage_5.ppd"), "rb").read()
    with tempfile.TemporaryDirectory() as d:
        utf8 = os.path.join(d, "Quillmark_ColorPage_5-utf8.ppd")
        open(utf8, "wb").write(src.replace(b"*LanguageEncoding: ISOLatin1",
                                           b"*LanguageEncoding: UTF-8"))
        verify_ppd(texts, cups, utf8, settings, rep, keep, label="ColorPage 5 as UTF-8")
        src3 = open(os.path.join(SAMPLE_DIR, "Quillmark_ColorPage_3.ppd"), "rb").read()
        sjis = os.path.join(d, "Quillmark_ColorPage_3-sjis.ppd")
        text = src3.decode("utf-8").replace("UTF-8", "JIS83-RKSJ").replace(
            "Paper Size", "用紙サイズ").replace("–", "-").replace("×", "x")
        text = text.replace("*% Texts are UTF-8", "*% Texts are Shift-JIS")
        open(sjis, "wb").write(text.encode("shift_jis"))
        verify_ppd(texts, cups, sjis, settings, rep, keep, label="ColorPage 3 as Shift-JIS")

    # The Japanese localisation, in a process of its own because libcups keeps only the
    # translations of the language current when it first looks.
    print("Japanese localisation (a separate run):")
    r = subprocess.run([sys.executable, os.path.abspath(__file__), "--lang", "ja", "--ppd",
                        os.path.join(SAMPLE_DIR, "Quillmark_ColorPage_5.ppd")],
                       capture_output=True, text=True)
    for line in r.stdout.splitlines():
        if not line.startswith("  ok") or "translation" in line or "cupstestppd" in line:
            print("  " + line)
    rep.ok(r.returncode == 0, "Japanese localisation: all checks passed")

    print("ready-to-paste forms")
    forms = pasted_forms()
    for lang in ("en", "ja"):
        want = load_texts(TEXTS_MD, lang)
        got = dict(forms["en"])
        got.update(forms[lang])
        wrong = [str(k) for k, val in want.items()
                 if not (k[0] == "STR ") and got.get(k) != val
                 and not (k[0] == "PPDLocalized.plist" and lang not in ("en", "ja"))]
        rep.ok(not wrong, f"{lang}: the pasted forms give exactly the texts", " ".join(wrong))

    print("the program's resource sources and bundle against these texts:")
    differ = compare_resources(texts, "en")
    if differ:
        print("       not yet taken over: " + ", ".join(d.split(":")[0] for d in differ))
    rep.ok(not differ or not strict, f"{len(differ)} texts differ"
           + ("" if strict else " (reported only; --strict-resources makes this a failure)"))

    print(f"{'all checks passed' if not rep.failures else f'{rep.failures} checks FAILED'}")
    return rep.failures == 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--self-test", action="store_true")
    ap.add_argument("--ppd", action="append", default=[])
    ap.add_argument("--keep", help="folder that receives the modified PPDs")
    ap.add_argument("--operands", action="store_true", help="also measure the operand stack")
    ap.add_argument("--texts", default=TEXTS_MD)
    ap.add_argument("--strict-resources", action="store_true",
                    help="fail when resources/*.rsrc.txt or bundle/ differ from the texts")
    ap.add_argument("--lang", default="en", help="the application's localisation (en, ja)")
    args = ap.parse_args()
    texts = load_texts(args.texts, args.lang)
    # libcups keeps only the translations of the current language: make it the
    # application's, whose translation lines the block carries.
    os.environ["LC_ALL"] = need(texts, "STR ", 130)[:-6].decode() + ".UTF-8"
    cups = Cups()
    if args.self_test:
        return 0 if self_test(texts, cups, args.keep, args.strict_resources) else 1
    if not args.ppd:
        ap.error("give --self-test or --ppd FILE")
    rep = Report()
    for p in args.ppd:
        if not recognise(texts, p, cups):
            print(f"{p}: not a PPD that Orvane serves")
            continue
        verify_ppd(texts, cups, p, demo_settings(), rep, args.keep, operands=args.operands)
    print(f"{'all checks passed' if not rep.failures else f'{rep.failures} checks FAILED'}")
    return 0 if rep.failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
