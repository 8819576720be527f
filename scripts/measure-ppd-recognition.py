#!/usr/bin/env python3
"""Applies Orvane's PPD recognition rule and insertion anchors to every PPD of Debian's PPD
packages (openprinting-ppds, and with --all also hplip-data, printer-driver-postscript-hp
and foomatic-db-compressed-ppds) and prints the counts.

It counts the colour PPDs the rule accepts as it stands ("after": the marker, a "Support
PPD" attribute, or *ColorDevice True in any spelling libcups reads) beside the rule that
knew only the marker's one spelling ("before"), with the reason for each colour PPD still
refused.

The rule (texts from resources/ppd-texts.md): a file is served when it begins with
STR# 1000/2 and either contains STR# 1000/34 or has one of the Info.plist "Support PPD"
attributes (libcups ppdFindAttr with a value). Colour means libcups' color_device.

The package serves most PPDs through its CUPS driver program (a compressed archive:
`openprinting-ppds list` and `cat`); this script loads that archive once instead of
running `cat` per file, and adds the gzip-compressed files the package installs under
/usr/share/ppd/openprinting (in openprinting-ppds 20230202-1 these 120 files are empty).
It also reports, for each PPD, which anchor a new block
would go before and whether that place is at top level, and the largest PPD found.

Usage: measure-ppd-recognition.py [--driver PATH]... [--all] [--ppd-dir DIR]
"""

import argparse
import base64
import collections
import ctypes
import gzip
import importlib.util
import lzma
import os
import re
import runpy
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def load_verifier():
    spec = importlib.util.spec_from_file_location("verify_ppd_block",
                                                  os.path.join(HERE, "verify-ppd-block.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def driver_ppds(driver):
    """(name, bytes) of every distinct PPD in a pyppd driver archive, and the number of
    entries its `list` shows."""
    ns = runpy.run_path(driver, run_name="orvane_measure")
    index = ns["load"]()
    archive = lzma.decompress(base64.b64decode(index.pop("ARCHIVE").encode("ascii")))
    listed = sum(len(v[2]) for v in index.values())
    files = [(name, archive[start:start + length])
             for name, (start, length, _) in sorted(index.items())]
    return files, listed


def directory_ppds(folder):
    out = []
    for root, _, names in os.walk(folder):
        for n in sorted(names):
            path = os.path.join(root, n)
            with open(path, "rb") as f:
                data = f.read()
            if data[:2] == b"\x1f\x8b":
                data = gzip.decompress(data)
            out.append((path, data))
    return out


def line_state(data, pos):
    """(inside a group, inside an option, inside a multi-line value, at line start)."""
    at_start = pos == 0 or data[pos - 1:pos] in (b"\n", b"\r")
    groups, option, quoted = 0, False, False
    for line in re.split(rb"\r\n|\r|\n", data[:pos])[:-1]:
        if quoted:
            quoted = b'"' not in line
            continue
        if not line.startswith(b"*") or line.startswith(b"*%"):
            continue
        if line.startswith(b"*OpenGroup:"):
            groups += 1
        elif line.startswith(b"*CloseGroup"):
            groups -= 1
        elif line.startswith((b"*OpenUI", b"*JCLOpenUI")):
            option = True
        elif line.startswith((b"*CloseUI", b"*JCLCloseUI")):
            option = False
        quoted = line.count(b'"') % 2 == 1
    return groups > 0, option, quoted, at_start


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--driver", action="append",
                    help="a pyppd driver archive (default: openprinting-ppds's)")
    ap.add_argument("--all", action="store_true",
                    help="every PPD package's archive found in /usr/lib/cups/driver")
    ap.add_argument("--ppd-dir", default="/usr/share/ppd/openprinting")
    args = ap.parse_args()
    drivers = args.driver or ["/usr/lib/cups/driver/openprinting-ppds"]
    if args.all:
        drivers = [d for d in ("/usr/lib/cups/driver/openprinting-ppds",
                               "/usr/lib/cups/driver/hplip-data",
                               "/usr/lib/cups/driver/postscript-hp",
                               "/usr/lib/cups/driver/foomatic-db-compressed-ppds")
                   if os.path.exists(d)]
    for number, driver in enumerate(drivers):
        if number:
            print()
        measure(driver, args.ppd_dir if number == 0 else None)
    return 0


def measure(driver, ppd_dir):

    v = load_verifier()
    texts = v.load_texts()
    cups = v.Cups()
    first = v.need(texts, "STR#", 1000, 2)
    marker = v.need(texts, "STR#", 1000, 34)
    localised = v.need(texts, "STR#", 2000, 1)
    supported = texts.get(("Info.plist", "Support PPD"), [])
    anchors = [(i, v.need(texts, "STR#", 1000, i)) for i in (32, 33, 5, 6)]
    begin, end = v.need(texts, "STR#", 1000, 3), v.need(texts, "STR#", 1000, 4)

    files, listed = driver_ppds(driver)
    on_disk = directory_ppds(ppd_dir) if ppd_dir and os.path.isdir(ppd_dir) else []
    everything = [("archive", n, d) for n, d in files] + [("disk", n, d) for n, d in on_disk]

    counts = collections.Counter()
    alt = collections.Counter()
    examples = collections.defaultdict(list)
    largest = (0, "")
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "x.ppd")
        for source, name, data in everything:
            if not data:
                counts[f"{source} files that are empty"] += 1
                continue
            largest = max(largest, (len(data), name))
            with open(path, "wb") as f:
                f.write(data)
            ppd = cups.lib.ppdOpenFile(path.encode())
            if ppd:
                colour = ctypes.cast(ppd, ctypes.POINTER(ctypes.c_int * 2)).contents[1] != 0
                attrs = {a: bool(cups.lib.ppdFindAttr(ppd, a.encode(), None))
                         and cups.lib.ppdFindAttr(ppd, a.encode(), None).contents.value is not None
                         for a in set(supported) | {"ColorDevice"}}
                cups.lib.ppdClose(ppd)
            else:
                counts["libcups refuses"] += 1
                colour = re.search(rb"^\*ColorDevice:\s*True", data, re.M) is not None
                attrs = {a: False for a in set(supported) | {"ColorDevice"}}
            kind = "colour" if colour else "mono"
            head_ok = data.startswith(first)
            has_marker = marker in data
            by_attr = any(attrs[a] for a in supported)
            # Before: the marker's one spelling or a "Support PPD" attribute; after: also
            # *ColorDevice True in any spelling (libcups' color_device).
            before = head_ok and (has_marker or by_attr)
            accepted = head_ok and (has_marker or by_attr or colour)
            postscript = not re.search(rb"^\*cupsFilter2?:", data, re.M)
            if colour:
                family = "colour PostScript" if postscript else "colour through a driver"
                counts[f"{family}: refused before"] += 0 if before else 1
                counts[f"{family}: refused after"] += 0 if accepted else 1
                counts[f"{family}: files"] += 1
            counts[f"{kind} {'accepted' if accepted else 'refused'}"] += 1
            counts[f"{source} files"] += 1
            if accepted and not has_marker:
                counts[f"{kind} accepted by attribute only"] += 1
            if colour and not accepted:
                why = "first bytes differ" if not head_ok else "marker spelled otherwise"
                counts[f"colour refused: {why}"] += 1
                if len(examples[why]) < 3:
                    line = re.search(rb"^\*ColorDevice:[^\r\n]*", data, re.M)
                    examples[why].append(f"{name} ({line.group(0)!r})" if line else name)
            if not colour and accepted:
                examples["mono accepted"].append(name)
            # Alternatives, for comparison.
            alt[f"{kind} marker only: {'accepted' if head_ok and has_marker else 'refused'}"] += 1
            placeholder = head_ok and (has_marker or attrs["ColorDevice"])
            alt[f"{kind} with Support PPD [ColorDevice]: "
                f"{'accepted' if placeholder else 'refused'}"] += 1
            if localised in data:
                counts[f"{kind} localised (ppd_type 1)"] += 1
            if re.search(rb"^\*cupsFilter2?:", data, re.M):
                counts[f"{kind} with *cupsFilter (printed through a driver)"] += 1
            if begin in data or end in data:
                counts["already holds a begin or end marker"] += 1
            for idx, text in anchors:
                pos = data.find(text)
                if pos >= 0:
                    counts[f"anchor STR# 1000/{idx}"] += 1
                    group, option, quoted, at_start = line_state(data, pos)
                    if group or option or quoted or not at_start:
                        counts["anchor NOT at top level"] += 1
                        examples["anchor not at top level"].append(name)
                    break
            else:
                counts["no anchor: end of file"] += 1

    print(f"{os.path.basename(driver)}: {listed} entries listed by the driver, {len(files)} "
          f"distinct files in its archive, {len(on_disk)} files under {ppd_dir}")
    print(f"rule: first bytes {first!r}, marker {marker!r}, Support PPD {supported}")
    for k in sorted(counts):
        print(f"  {k}: {counts[k]}")
    print("for comparison:")
    for k in sorted(alt):
        print(f"  {k}: {alt[k]}")
    for k, names in examples.items():
        print(f"examples, {k}: {', '.join(names[:3])}")
    print(f"largest PPD: {largest[1]} ({largest[0]} bytes)")


if __name__ == "__main__":
    sys.exit(main())
