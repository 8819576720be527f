#!/usr/bin/env python3
"""Writes settings into real Debian PPDs that carry translations (*cupsLanguages) under
C.UTF-8, de_DE.UTF-8 and ja_JP.UTF-8, and runs cupstestppd on each before and after.

Five colour PostScript PPDs with *cupsLanguages are taken from openprinting-ppds and
printer-driver-postscript-hp (one per maker where it can). For each PPD and locale a fresh
system root in a temporary folder gets the PPD; orvanectl, run under that locale, adds
two settings with non-ASCII names, chooses the PPD and copies both into it. A PPD passes
when cupstestppd's exit status after the writes is what it was before and no finding
about the option OrvaneTone appears.

Usage: check-localised-ppds.py BUILD_DIR
"""
import importlib.util, os, re, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DRIVERS = ["/usr/lib/cups/driver/openprinting-ppds", "/usr/lib/cups/driver/postscript-hp"]
LOCALES = ["C.UTF-8", "de_DE.UTF-8", "ja_JP.UTF-8"]


def load_measure():
    spec = importlib.util.spec_from_file_location(
        "measure", os.path.join(HERE, "measure-ppd-recognition.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def pick(measure, count=5):
    """Up to `count` PPDs, as many makers as there are, then more of the same makers, each
    with a language list of its own length where it can."""
    candidates = []
    for driver in DRIVERS:
        if os.path.exists(driver):
            for name, data in measure.driver_ppds(driver)[0]:
                if (b"*cupsLanguages:" in data
                        and re.search(rb"^\*ColorDevice:\s*True", data, re.M)
                        and not re.search(rb"^\*cupsFilter2?:", data, re.M)):
                    candidates.append((name, data))
    chosen, seen = [], set()
    for distinct in (lambda n, d: n.split("/")[-2],
                     lambda n, d: re.search(rb"^\*cupsLanguages:.*", d, re.M).group(0)):
        for name, data in candidates:
            key = distinct(name, data)
            if len(chosen) < count and key not in seen and (name, data) not in chosen:
                seen.add(key)
                chosen.append((name, data))
    return chosen


def cupstestppd(path):
    """Its exit status, and its warnings and failures about OrvaneTone (read in the C
    locale, whose words the filter knows; the findings are the same in every language)."""
    run = subprocess.run(["cupstestppd", "-v", path], capture_output=True, text=True,
                         env={"PATH": "/usr/bin:/bin", "LC_ALL": "C"})
    return run.returncode, [l for l in run.stdout.splitlines()
                            if "OrvaneTone" in l and ("WARN" in l or "FAIL" in l)]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    orvanectl = os.path.join(os.path.abspath(sys.argv[1]), "src/cli/orvanectl")
    bundle = os.path.join(os.path.abspath(sys.argv[1]), "share/orvane")
    failures = 0
    for name, data in pick(load_measure()):
        languages = re.search(rb'^\*cupsLanguages:\s*"([^"]*)"', data, re.M).group(1).decode()
        for locale in LOCALES:
            with tempfile.TemporaryDirectory() as tmp:
                folder = os.path.join(tmp, "root/etc/cups/ppd")
                os.makedirs(folder)
                ppd = os.path.join(folder, "printer.ppd")
                with open(ppd, "wb") as f:
                    f.write(data)
                before, _ = cupstestppd(ppd)
                env = {"PATH": "/usr/bin:/bin", "HOME": tmp, "XDG_CONFIG_HOME": tmp + "/config",
                       "ORVANE_ROOT": tmp + "/root", "ORVANE_ADMIN": "user",
                       "ORVANE_BUNDLE_DIR": bundle, "LC_ALL": locale}
                steps = [["add", "Portr\u00e1t", "--all", "gamma:1.8"],
                         ["add", "Gr\u00f6\u00dfe", "--cyan", "levels:0,,,25,,,60,,,,,,100"],
                         ["choose", "printer.ppd"], ["to-ppd", "Portr\u00e1t"],
                         ["to-ppd", "Gr\u00f6\u00dfe"]]
                ok = all(subprocess.run([orvanectl] + s, env=env, capture_output=True).returncode
                         == 0 for s in steps)
                after, findings = cupstestppd(ppd)
                passed = ok and after == before and not findings
                failures += not passed
                print(f"{'pass' if passed else 'FAIL'}  {locale:12} {name} ({languages}): "
                      f"cupstestppd {before} before, {after} after"
                      + ("" if ok else "; orvanectl failed")
                      + "".join(f"\n      {l.strip()}" for l in findings))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
