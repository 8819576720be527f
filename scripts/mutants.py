#!/usr/bin/env python3
"""Runs deliberate faults ("mutants") against the test suite.

Each mutant names a snippet of source text that occurs exactly once in src/**/*.cpp|h and
its replacement, so it keeps working when files move. For every mutant the snippet is
replaced, the build directory rebuilt incrementally and ctest run; the mutant is "killed"
when a test that passes without it fails, "killed-by-build" when it does not compile (a
useless mutant: rewrite it), "survived" otherwise, and "stale" when its snippet is missing
or ambiguous. The file is always put back, also on Ctrl-C.

Mutants file format (a section ends at a blank line, so snippets hold no blank lines;
lines starting with '#' between mutants are comments):

    @@ id: one-line description
    --- find
    <source text; runs of whitespace match any whitespace>
    +++ replace
    <replacement text>
"""
import argparse, collections, json, os, re, shutil, signal, subprocess, sys, textwrap, time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SRC = ROOT / "src"
HEADER = re.compile(r"^@@\s*([A-Za-z0-9_.-]+)\s*:\s*(.+?)\s*$")


def parse_mutants(path):
    mutants, current, section = [], None, None
    for number, line in enumerate(path.read_text().splitlines(), 1):
        if line.startswith("@@"):
            match = HEADER.match(line)
            if not match:
                sys.exit(f"{path}:{number}: expected '@@ id: description'")
            current = {"id": match[1], "description": match[2], "find": [], "replace": [],
                       "line": number}
            mutants.append(current)
            section = None
        elif current is not None and line.rstrip() in ("--- find", "+++ replace"):
            section = "find" if line.startswith("---") else "replace"
        elif not line.strip():
            section = None
        elif section:
            current[section].append(line)
        elif not line.startswith("#"):
            sys.exit(f"{path}:{number}: text outside a find/replace section")
    seen = set()
    for m in mutants:
        for key in ("find", "replace"):
            m[key] = textwrap.dedent("\n".join(m[key]))
        if m["id"] in seen:
            sys.exit(f"{path}:{m['line']}: duplicate id {m['id']}")
        seen.add(m["id"])
        if not m["find"].strip() or m["find"].split() == m["replace"].split():
            sys.exit(f"{path}:{m['line']}: {m['id']}: empty snippet or no change")
    return mutants


def read(path):
    with open(path, encoding="utf-8", newline="") as f:
        return f.read()


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def source_texts():
    paths = sorted(p for p in SRC.rglob("*") if p.suffix in (".cpp", ".h") and p.is_file())
    return {p: read(p) for p in paths}


def locate(mutant, files):
    """(path, match) of the snippet's one occurrence, or (None, reason)."""
    find = mutant["find"]
    pattern = re.compile((r"(?<!\w)" if re.match(r"\w", find) else "") +
                         r"\s+".join(re.escape(t) for t in find.split()) +
                         (r"(?!\w)" if re.search(r"\w\s*$", find) else ""))
    hits = [(p, m) for p, text in files.items() for m in pattern.finditer(text)]
    if len(hits) == 1:
        return hits[0]
    return None, "snippet not found" if not hits else f"snippet found {len(hits)} times"


def where(path, text, match):
    return f"{path.relative_to(ROOT)}:{text.count(chr(10), 0, match.start()) + 1}"


def apply(text, match, replacement):
    line_start = text.rfind("\n", 0, match.start()) + 1
    indent = re.match(r"[ \t]*", text[line_start:])[0]
    body = replacement.replace("\n", "\n" + indent)
    return text[:match.start()] + body + text[match.end():]


def run(cmd):
    proc = subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, errors="replace")
    return proc.returncode, proc.stdout


def configure(build_dir):
    if (build_dir / "CMakeCache.txt").exists():
        return
    werror = "ON" if os.environ.get("ORVANE_WERROR") == "1" else "OFF"
    cmd = ["cmake", "-S", str(ROOT), "-B", str(build_dir), f"-DORVANE_WERROR={werror}",
           "-DORVANE_BENCHMARKS=OFF", "-DORVANE_FUZZ=OFF"]
    if shutil.which("ninja"):
        cmd[1:1] = ["-G", "Ninja"]
    rc, out = run(cmd)
    if rc:
        sys.exit("configuring failed:\n" + out)


def build(args):
    return run(["cmake", "--build", str(args.build_dir), "-j", str(args.build_jobs)])


def run_tests(args):
    """Names of the failing tests (empty when all passed), or None when ctest itself failed."""
    cmd = ["ctest", "--test-dir", str(args.build_dir), "-j", str(args.jobs), "--timeout",
           str(args.timeout)]
    if args.tests_regex:
        cmd += ["-R", args.tests_regex]
    if args.label:
        cmd += ["-L", args.label]
    rc, out = run(cmd)
    failed, in_list = [], False
    for line in out.splitlines():
        if line.startswith("The following tests FAILED"):
            in_list = True
        elif in_list:
            m = re.match(r"\s*\d+ - (.+?) \(([^()]*)\)\s*$", line)
            if m:
                name = re.sub(r"\s+#.*", "", m[1])  # parameterised tests append their value
                failed.append(name if m[2] == "Failed" else f"{name} [{m[2]}]")
    if rc and not failed:
        return None, out[-2000:]
    return failed, ""


class Restorer:
    """Keeps the original text of the mutated file, also on disk so a killed run heals."""

    def __init__(self, build_dir):
        self.saved = build_dir / "mutant-original.json"
        if self.restore():
            print("restored a file left mutated by an interrupted run")

    def mutate(self, path, original, mutated):
        self.saved.write_text(json.dumps({"path": str(path), "text": original}))
        write(path, mutated)

    def restore(self):
        if not self.saved.exists():
            return False
        data = json.loads(self.saved.read_text())
        write(Path(data["path"]), data["text"])
        self.saved.unlink()
        return True


def interrupt(*_):
    raise KeyboardInterrupt


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("mutants", nargs="?", default=str(ROOT / "scripts" / "mutants.txt"))
    ap.add_argument("--build-dir", default="build-mutants")
    ap.add_argument("--only", help="comma-separated mutant ids")
    ap.add_argument("--list", action="store_true", help="list mutants and their places only")
    ap.add_argument("--jobs", type=int, default=2, help="ctest -j (default 2)")
    ap.add_argument("--build-jobs", type=int, default=2)
    ap.add_argument("--timeout", type=int, default=120, help="per-test timeout in seconds")
    ap.add_argument("--tests-regex", help="run only tests matching this (ctest -R)")
    ap.add_argument("--label", help="run only tests with this label (ctest -L)")
    ap.add_argument("--no-baseline", action="store_true",
                    help="skip the unmutated run (tests failing there are otherwise ignored)")
    ap.add_argument("--results", help="JSON results file (default BUILD_DIR/mutants.json)")
    args = ap.parse_args()
    args.build_dir = (ROOT / args.build_dir).resolve()
    mutants = parse_mutants(Path(args.mutants))
    if args.only:
        wanted = set(args.only.split(","))
        unknown = wanted - {m["id"] for m in mutants}
        if unknown:
            sys.exit("unknown mutant ids: " + ", ".join(sorted(unknown)))
        mutants = [m for m in mutants if m["id"] in wanted]
    if args.list:
        files = source_texts()
        for m in mutants:
            path, match = locate(m, files)
            place = where(path, files[path], match) if path else f"STALE ({match})"
            print(f"{m['id']:<28} {place:<44} {m['description']}")
        return

    signal.signal(signal.SIGTERM, interrupt)
    args.build_dir.mkdir(parents=True, exist_ok=True)
    restorer = Restorer(args.build_dir)
    files = source_texts()
    configure(args.build_dir)
    results_path = Path(args.results or args.build_dir / "mutants.json").resolve()
    report = {"mutants_file": str(args.mutants), "build_dir": str(args.build_dir),
              "started": time.strftime("%Y-%m-%d %H:%M:%S"), "baseline_failures": [],
              "results": []}
    started = time.time()

    def save():
        report["seconds"] = round(time.time() - started)
        results_path.write_text(json.dumps(report, indent=1) + "\n")

    rc, out = build(args)
    if rc:
        sys.exit("the unmutated tree does not build:\n" + out[-3000:])
    baseline = set()
    if not args.no_baseline:
        failed, log = run_tests(args)
        if failed is None:
            sys.exit("ctest failed on the unmutated tree:\n" + log)
        baseline = set(failed)
        report["baseline_failures"] = sorted(baseline)
        print(f"baseline: {len(baseline)} failing test(s) ignored" if baseline else
              "baseline: all tests pass", flush=True)

    try:
        for index, m in enumerate(mutants, 1):
            t0 = time.time()
            entry = {"id": m["id"], "description": m["description"]}
            path, match = locate(m, files)
            if path is None:
                entry.update(status="stale", reason=match)
            else:
                text = files[path]
                entry["location"] = where(path, text, match)
                try:
                    restorer.mutate(path, text, apply(text, match, m["replace"]))
                    rc, out = build(args)
                    if rc:
                        errors = [l for l in out.splitlines() if "error" in l]
                        entry.update(status="killed-by-build", build_errors=errors[:5])
                    else:
                        failed, log = run_tests(args)
                        if failed is None:
                            entry.update(status="error", log=log)
                        else:
                            new = [t for t in failed if t not in baseline]
                            entry.update(status="killed" if new else "survived",
                                         failing_tests=new)
                finally:
                    restorer.restore()
            entry["seconds"] = round(time.time() - t0, 1)
            report["results"].append(entry)
            save()
            tests = entry.get("failing_tests", [])
            shown = ", ".join(tests[:3]) + (f" +{len(tests) - 3} more" if len(tests) > 3 else "")
            print(f"[{index}/{len(mutants)}] {m['id']:<28} {entry['status']:<16} "
                  f"{entry.get('location', entry.get('reason', ''))}  {shown}", flush=True)
    except KeyboardInterrupt:
        print("interrupted; the source tree is restored", file=sys.stderr)
        report["interrupted"] = True
    finally:
        restorer.restore()
        save()
    counts = collections.Counter(entry["status"] for entry in report["results"])
    print(f"{len(report['results'])} mutants in {report['seconds']} s: " +
          (", ".join(f"{n} {s}" for s, n in sorted(counts.items())) or "none run") +
          f"; results in {results_path}")
    return 130 if report.get("interrupted") else 0


if __name__ == "__main__":
    sys.exit(main())
