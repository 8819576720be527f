#!/usr/bin/env python3
"""Writes the expected tone blocks of tests/ppd/ToneBlockTest.cpp.

The blocks come from the reference composer of scripts/verify-ppd-block.py, which is a
separate implementation of the composition (its own spline arithmetic, its own number
text and escaping) working from resources/ppd-texts.md. Run it again after changing a
text there, and look at the difference before committing it.
"""
import importlib.util
import os

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))
spec = importlib.util.spec_from_file_location(
    "verify", os.path.join(ROOT, "scripts", "verify-ppd-block.py"))
v = importlib.util.module_from_spec(spec)
spec.loader.exec_module(v)

IDENTITY = v.Curve([0] + [-1] * 11 + [10000])


def four(*gammas):
    return [v.gamma_curve(g) for g in gammas]


# The same settings as the C++ test builds (names there are Mac Roman bytes).
CAFE = v.Setting("Café crème", False, four(100, 120, 140, 90))
PROOF = v.Setting("Proof™", True, [v.gamma_curve(220)])
WARM = v.Setting("Warm: proof <A>", True, [v.gamma_curve(45)])
IDENT = v.Setting("Identity", True, [IDENTITY])

CASES = {
    "type0-latin1-identity": ([IDENT], 0, "latin-1", True),
    "type0-latin1-mixed": ([CAFE, PROOF, WARM], 0, "latin-1", False),
    "type0-utf8-mixed": ([CAFE, PROOF, WARM], 0, "utf-8", True),
    "type1-latin1-mixed": ([CAFE, PROOF, WARM], 1, "latin-1", True),
    "type1-utf8-mixed": ([CAFE, PROOF, WARM], 1, "utf-8", False),
}

texts = v.load_texts(lang="en")
for name, (settings, ppd_type, codec, new_block) in CASES.items():
    block = v.compose(texts, settings, ppd_type, codec, new_block)
    with open(os.path.join(HERE, name + ".block"), "wb") as f:
        f.write(block)
    print(name, len(block))
