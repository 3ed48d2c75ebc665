#!/usr/bin/env python3
"""Plants small faults (mutants) in the sources one at a time and says which ones the suite misses.

A mutant flips one operator or constant in a .cpp file that the Linux build compiles under src/:
== and !=, < and <=, > and >=, && and ||, true and false, + 1 and + 2, - 1 and - 2. Comments,
string and character literals and preprocessor lines are left alone. For each mutant in a seeded
random sample the file is changed, the build folder rebuilt (Debug, no sanitizers, so it is quick)
and the suite run; the file is then written back byte for byte. A mutant that does not compile is
replaced by the next one. Survivors are printed as file:line with the line before and after.

    python3 scripts/mutants.py [--seed 1] [--count 40] [--build-dir build-mutants]
                               [--timeout 60] [--all-tests] [--list] [--only FILE]

The original of the file being changed is also copied into the build folder while the mutant is
in place, so a run that was killed outright is undone at the start of the next one.
"""
import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Binary operators are only taken with a blank on each side, as clang-format writes them: that
# keeps template brackets, includes, references (T&&) and unary minus out.
RULES = [
    (re.compile(r"(?<![=!<>])(?<!operator)==(?!=)"), "!="),
    (re.compile(r"(?<!operator)!=(?!=)"), "=="),
    (re.compile(r"(?<=\s)<(?=\s)"), "<="),
    (re.compile(r"(?<=\s)<=(?=\s)"), "<"),
    (re.compile(r"(?<=\s)>(?=\s)"), ">="),
    (re.compile(r"(?<=\s)>=(?=\s)"), ">"),
    (re.compile(r"(?<=\s)&&(?=\s)"), "||"),
    (re.compile(r"(?<=\s)\|\|(?=\s)"), "&&"),
    (re.compile(r"\btrue\b"), "false"),
    (re.compile(r"\bfalse\b"), "true"),
    (re.compile(r"(?<=\s)\+ 1(?![\w.'])"), "+ 2"),
    (re.compile(r"(?<=\s)\+ 2(?![\w.'])"), "+ 1"),
    (re.compile(r"(?<=\s)- 1(?![\w.'])"), "- 2"),
    (re.compile(r"(?<=\s)- 2(?![\w.'])"), "- 1"),
]


RAW_STRING = re.compile(r'(?<![\w])(?:u8|u|U|L)?R"')


def mask_code(text):
    """Returns text with comments, literals and preprocessor lines blanked, offsets unchanged."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            # A directive runs to the end of the line, and on past lines ending in a backslash.
            j = i
            while j < n and not (text[j] == "\n" and text[j - 1] != "\\"):
                j += 1
            blank(i, j)
            i = j
            continue
        line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif RAW_STRING.match(text, i):
            q = text.index('"', i)
            p = text.index("(", q)
            delim = text[q + 1:p]
            j = text.find(")" + delim + '"', p)
            j = n if j < 0 else j + len(delim) + 2
            blank(i, j)
            i = j
        elif c in "\"'":
            # A digit separator (1'000'000) is not a character literal.
            if c == "'" and i and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum() \
                    and re.match(r"[0-9a-fA-FxX.']", text[i - 1]) and _in_number(text, i):
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i, min(j + 1, n))
            i = j + 1
        else:
            i += 1
    return "".join(out)


def _in_number(text, i):
    j = i - 1
    while j >= 0 and (text[j].isalnum() or text[j] in "'."):
        j -= 1
    return text[j + 1].isdigit()


def linux_sources(build):
    """The .cpp files under src/ that the Linux build compiles, as paths relative to the root."""
    with open(build / "compile_commands.json") as f:
        entries = json.load(f)
    files = set()
    for e in entries:
        p = Path(e["file"])
        if not p.is_absolute():
            p = Path(e["directory"]) / p
        try:
            rel = p.resolve().relative_to(ROOT)
        except ValueError:
            continue
        # The screenshot maker only draws the pictures of the documentation; nothing tests it.
        if rel.parts[0] == "src" and rel.suffix == ".cpp" and not rel.name.endswith("_win32.cpp") \
                and "win32" not in rel.parts and rel.name != "screenshots_main.cpp":
            files.add(rel)
    return sorted(files)


def mutation_sites(files):
    sites = []
    for rel in files:
        text = (ROOT / rel).read_bytes().decode("utf-8", errors="surrogateescape")
        masked = mask_code(text)
        for pattern, replacement in RULES:
            for m in pattern.finditer(masked):
                sites.append((str(rel), m.start(), m.group(0), replacement))
    sites.sort()
    return sites


def line_of(text, offset):
    start = text.rfind("\n", 0, offset) + 1
    end = text.find("\n", offset)
    end = len(text) if end < 0 else end
    return text.count("\n", 0, offset) + 1, text[start:end]


class Planted:
    """Puts one mutant in place and always takes it out again, even on a signal."""

    def __init__(self, build, rel):
        self.path = ROOT / rel
        self.backup = build / "mutant-original"
        self.note = build / "mutant-file"
        self.original = self.path.read_bytes()

    def __enter__(self):
        self.backup.write_bytes(self.original)
        self.note.write_text(str(self.path))
        return self

    def __exit__(self, *exc):
        # No signal may cut the writing back short.
        held = {s: signal.signal(s, signal.SIG_IGN) for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)}
        self.path.write_bytes(self.original)
        self.note.unlink(missing_ok=True)
        self.backup.unlink(missing_ok=True)
        for s, handler in held.items():
            signal.signal(s, handler)
        return False


def undo_killed_run(build):
    note, backup = build / "mutant-file", build / "mutant-original"
    if note.exists() and backup.exists():
        path = Path(note.read_text())
        path.write_bytes(backup.read_bytes())
        print(f"put back {path}, left changed by a run that was killed")
        note.unlink()
        backup.unlink()


def run(cmd, cwd, timeout=None):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          errors="replace", timeout=timeout)


def build_ok(build):
    return run(["cmake", "--build", str(build)], ROOT).returncode == 0


def suite(build, args):
    cmd = ["ctest", "-j", str(args.jobs), "--timeout", str(args.timeout), "--stop-on-failure"]
    if not args.all_tests:
        cmd += ["-E", args.exclude]
    if args.tests:
        cmd += ["-R", args.tests]
    result = run(cmd, build)
    failed = re.findall(r"^\s*\d+ - (\S+) \(", result.stdout, re.M)
    return result.returncode == 0, failed


def on_signal(signum, frame):
    raise KeyboardInterrupt


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=40, help="mutants that compile to try")
    ap.add_argument("--build-dir", default="build-mutants")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--timeout", type=int, default=60, help="seconds per test")
    ap.add_argument("--exclude", default="DebianMame", help="ctest -E pattern of slow tests")
    ap.add_argument("--all-tests", action="store_true", help="run the slow tests too")
    ap.add_argument("--only", help="take mutants from this file only (src/x.cpp or x.cpp), or from "
                    "its lines FROM to TO (x.cpp:FROM-TO)")
    ap.add_argument("--tests", help="ctest -R pattern: run only these tests (to check one gap)")
    ap.add_argument("--list", action="store_true", help="print the sample, change nothing")
    args = ap.parse_args()

    build = (ROOT / args.build_dir).resolve()
    if build.exists():
        undo_killed_run(build)
    os.environ.setdefault("CCACHE_BASEDIR", str(ROOT.parent))
    if not (build / "build.ninja").exists():
        r = run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                 "-DTABULON_SANITIZE=OFF", "-DTABULON_BUILD_BENCH=OFF"], ROOT)
        if r.returncode:
            sys.exit(r.stdout)

    files = linux_sources(build)
    lines = None
    if args.only:
        name, _, span = args.only.partition(":")
        files = [f for f in files if str(f) == name or f.name == name]
        if span:
            first, _, last = span.partition("-")
            lines = range(int(first), int(last or first) + 1)
    sites = mutation_sites(files)
    if lines:
        texts = {rel: (ROOT / rel).read_bytes().decode("utf-8", errors="surrogateescape") for rel in
                 {site[0] for site in sites}}
        sites = [site for site in sites if line_of(texts[site[0]], site[1])[0] in lines]
    random.Random(args.seed).shuffle(sites)
    print(f"{len(sites)} mutants in {len(files)} files; seed {args.seed}, {args.count} to try", flush=True)
    if args.list:
        for rel, offset, old, new in sites[:args.count]:
            text = (ROOT / rel).read_bytes().decode("utf-8", errors="surrogateescape")
            number, line = line_of(text, offset)
            print(f"{rel}:{number}: {old} -> {new}: {line.strip()}")
        return

    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, on_signal)
    print("building the unchanged sources and running the suite once", flush=True)
    if not build_ok(build) or not suite(build, args)[0]:
        sys.exit("the unchanged sources do not build or pass the suite; nothing to measure")

    killed, survivors, broken = 0, [], 0
    tried = 0
    try:
        for rel, offset, old, new in sites:
            if tried == args.count:
                break
            with Planted(build, rel) as planted:
                text = planted.original.decode("utf-8", errors="surrogateescape")
                mutated = text[:offset] + new + text[offset + len(old):]
                planted.path.write_bytes(mutated.encode("utf-8", errors="surrogateescape"))
                number, before = line_of(text, offset)
                after = line_of(mutated, offset)[1]
                where = f"{rel}:{number}"
                started = time.monotonic()
                if not build_ok(build):
                    broken += 1
                    print(f"   does not compile: {where}: {old} -> {new}", flush=True)
                    continue
                tried += 1
                passed, failed = suite(build, args)
                took = time.monotonic() - started
                if passed:
                    survivors.append((where, before, after))
                    print(f"{tried:3} SURVIVED {where}: {old} -> {new} ({took:.0f} s)", flush=True)
                else:
                    killed += 1
                    print(f"{tried:3} killed   {where}: {old} -> {new} by {' '.join(failed[:3])} "
                          f"({took:.0f} s)", flush=True)
    except KeyboardInterrupt:
        print("\ninterrupted; the source is put back", flush=True)

    print()
    for where, before, after in survivors:
        print(f"{where}\n  - {before.strip()}\n  + {after.strip()}")
    print(f"\nkilled {killed}, survived {len(survivors)}, not compiling {broken} (of {tried} that compiled)")
    sys.exit(1 if survivors else 0)


if __name__ == "__main__":
    main()
