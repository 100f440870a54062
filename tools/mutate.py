#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Mutation run: small source mutations, each rebuilt and tested, to show the tests catch faults.

  tools/mutate.py --build build --source files compare [--tests cli] [--count 200]
                  [--json out.json] [--same-as old.json]
  tools/mutate.py --compare old.json new.json

For each mutant (a flipped comparison, an off-by-one constant, a negated condition, a dropped
statement...) one line of one source file under --source (folders or files) is changed, the
test programs of the source's own folder (tests/<folder>/*.cpp) and of --tests are rebuilt,
and their tests run through ctest, as a developer runs them. The sources are those of the tree
the build folder was configured from. The mutants are chosen by a digest of the file's name,
the line's text and the mutation, not by place, so the same mutants are chosen again after
code moves: runs before and after a change compare like with like.

A mutant is killed when a test fails, stillborn when it does not compile, equivalent when the
compiler makes the very same object of it; the rest survive and are listed. A mutant whose
object was not rebuilt stops the run: its outcome would say nothing. The source file is always
restored, also on Ctrl-C or SIGTERM.

--json records every mutant's outcome and the test programs run (added to the file's earlier
records; a mutant recorded there is not run again), --same-as runs only the mutants recorded in
an earlier file, and --compare prints the kill rate of two records on
the mutants they share: the same file name, line text and change.
"""
import argparse
import hashlib
import json
import os
import pathlib
import re
import shlex
import signal
import subprocess
import sys
import tempfile
import time

# (name, pattern, replacement): applied to one occurrence on one line.
OPERATORS = [
    ("< to <=", r"(?<![<\-])<(?![<=])(?=\s)", "<="),
    ("<= to <", r"<=", "<"),
    ("> to >=", r"(?<![>\-])>(?![>=])(?=\s)", ">="),
    (">= to >", r">=", ">"),
    ("== to !=", r"==", "!="),
    ("!= to ==", r"!=", "=="),
    ("&& to ||", r"&&", "||"),
    ("|| to &&", r"\|\|", "&&"),
    ("+ 1 to - 1", r"\+ 1\b", "- 1"),
    ("- 1 to + 1", r"- 1\b", "+ 1"),
    ("0 to 1", r"(?<![\w.])0(?![\w.x])", "1"),
    ("true to false", r"\btrue\b", "false"),
    ("false to true", r"\bfalse\b", "true"),
    ("negate if", r"\bif \((?!constexpr)(.*)\)(\s*\{?)$", r"if (!(\1))\2"),
    ("++ to --", r"\+\+", "--"),
]
# Lines that hold a statement that may be dropped.
STATEMENT = re.compile(r"^\s*[\w:.\->\[\]()]+(\(.*\)|\s*[+\-*/|&]?=\s*.+);\s*$")
SKIP = re.compile(r"^\s*(//|#|\*|/\*)|static_assert")
VIABLE = ("killed", "survived")


class Mutant:
    def __init__(self, path, number, operator, changed, text):
        self.path, self.number, self.operator, self.changed = path, number, operator, changed
        self.text = text  # the line as it was
        self.key = ""

    def record(self, root, outcome):
        return {"file": str(self.path.relative_to(root)), "line": self.number + 1,
                "text": self.text.strip(), "operator": self.operator,
                "changed": self.changed.strip(), "outcome": outcome}


def mutants(path):
    lines = path.read_text(encoding="utf-8").split("\n")
    for number, line in enumerate(lines):
        if SKIP.search(line) or not line.strip():
            continue
        for name, pattern, replacement in OPERATORS:
            for match in re.finditer(pattern, line):
                changed = line[:match.start()] + match.expand(replacement) + line[match.end():]
                yield Mutant(path, number, name, changed, line)
        if STATEMENT.match(line) and "return" not in line:
            yield Mutant(path, number, "drop statement", "", line)


def stable_order(every):
    """Sorts mutants by a digest of what they change; equal lines of one file are told apart
    by their order. The digest is the mutant's key in the records."""
    seen = {}
    for mutant in every:
        text = "|".join((mutant.path.name, mutant.text.strip(), mutant.operator,
                         mutant.changed.strip()))
        seen[text] = seen.get(text, 0) + 1
        mutant.key = hashlib.sha1(f"{text}|{seen[text]}".encode()).hexdigest()[:12]
    return sorted(every, key=lambda mutant: mutant.key)


def run(command, cwd, timeout, stdout=subprocess.DEVNULL):
    """The command's exit status, or -1 when it outlives the timeout. It runs in its own process
    group, killed whole when it ends: a program a test started (the command-line tool) and left
    looping under a mutant must not go on eating the processors for the mutants after it."""
    with subprocess.Popen(command, cwd=cwd, stdout=stdout, stderr=subprocess.DEVNULL,
                          start_new_session=True) as process:
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return -1
        finally:  # also what it left running, and on Ctrl-C
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()


def configured_root(build):
    """The source tree the build folder compiles: mutating any other copy tests nothing."""
    cache = build / "CMakeCache.txt"
    if not cache.is_file():
        sys.exit(f"{build} is not a configured build folder")
    for line in cache.read_text(encoding="utf-8").splitlines():
        if line.startswith("CMAKE_HOME_DIRECTORY:"):
            return pathlib.Path(line.split("=", 1)[1]).resolve()
    sys.exit(f"{cache} names no source folder")


def objects_of(build, sources):
    """Each source's object file, from the compile commands the build exports."""
    found = {}
    for entry in json.loads((build / "compile_commands.json").read_text(encoding="utf-8")):
        words = shlex.split(entry["command"])
        output = pathlib.Path(entry["directory"], words[words.index("-o") + 1])
        found[pathlib.Path(entry["file"]).resolve()] = output
    missing = [str(source) for source in sources if source not in found]
    if missing:
        sys.exit("not compiled by this build: " + ", ".join(missing))
    return {source: found[source] for source in sources}


def test_numbers(build, programs):
    """The numbers of the ctest tests that run one of the programs (GoogleTest cases are
    registered one by one, named by suite)."""
    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, check=True,
                             capture_output=True, text=True).stdout
    wanted = {str(program) for program in programs}
    return [number for number, test in enumerate(json.loads(listing)["tests"], 1)
            if test.get("command") and test["command"][0] in wanted]


def digest(path):
    return hashlib.sha1(path.read_bytes()).hexdigest() if path.exists() else None


class Session:
    def __init__(self, args):
        self.build = pathlib.Path(args.build).resolve()
        self.root = configured_root(self.build)
        self.timeout = args.timeout
        self.sources = sorted(
            p.resolve() for given in args.source for p in
            ([self.root / given] if given.endswith(".cpp") else (self.root / given).rglob("*.cpp")))
        # The tests of each source's own folder always run: a run that mutates a folder none of
        # whose tests it runs reports survivors that its own tests kill.
        folders = {source.relative_to(self.root).parts[0] for source in self.sources}
        targets = sorted({p.stem for given in [*folders, *(args.tests or [])] for p in
                          ([self.root / "tests" / given] if given.endswith(".cpp")
                           else (self.root / "tests" / given).glob("*.cpp"))})
        if not targets:
            sys.exit("no test programs under tests/ for " + " ".join(folders))
        self.build_command = ["cmake", "--build", str(self.build), "-j2", "--target", *targets]
        self.programs = [self.build / "tests" / target for target in targets]

    def rebuild(self):
        return run(self.build_command, self.root, self.timeout) == 0

    def run_tests(self):
        """ctest on the chosen programs' tests, stopping at the first failure. A pass counts
        only when ctest ran every one of them: a test left out passes nothing."""
        numbers = test_numbers(self.build, self.programs)
        if not numbers:
            sys.exit("ctest lists no test of " + ", ".join(p.name for p in self.programs))
        with tempfile.NamedTemporaryFile("w+", suffix=".log") as log:
            status = run(["ctest", "-j2", "--stop-on-failure", "--timeout", str(self.timeout),
                          "-I", "0,0,0," + ",".join(map(str, numbers))],
                         self.build, self.timeout * len(numbers), stdout=log)
            log.seek(0)
            ran = re.findall(r"tests failed out of (\d+)", log.read())
        if status == 0 and ran != [str(len(numbers))]:
            sys.exit(f"ctest ran {ran or 'no'} tests of the {len(numbers)} chosen")
        return status

    def outcome(self, mutant, objects, original_objects):
        """Builds and tests one mutant in place; the caller restores the file."""
        lines = mutant.path.read_text(encoding="utf-8").split("\n")
        if lines[mutant.number] != mutant.text:
            sys.exit(f"{mutant.path} changed during the run")
        lines[mutant.number] = mutant.changed
        written = time.time()
        mutant.path.write_text("\n".join(lines), encoding="utf-8")
        if not self.rebuild():
            return "stillborn"
        made = objects[mutant.path]
        # A coarse clock may stamp the object a little before the moment taken above.
        if not made.exists() or made.stat().st_mtime < written - 1:
            sys.exit(f"{mutant.path.name}: the mutant's object was not rebuilt; its outcome"
                     " would mean nothing")
        if digest(made) == original_objects[mutant.path]:
            return "equivalent"
        return "killed" if self.run_tests() != 0 else "survived"


def load(path):
    try:
        return json.loads(pathlib.Path(path).read_text(encoding="utf-8"))["mutants"]
    except FileNotFoundError:
        return {}


def mutation_run(args):
    session = Session(args)
    root = session.root
    chosen = stable_order([m for source in session.sources for m in mutants(source)])
    if args.same_as:
        earlier = load(args.same_as)
        chosen = [mutant for mutant in chosen if mutant.key in earlier]
    chosen = chosen[:args.count]
    records = load(args.json) if args.json else {}
    # A record already made is kept: a run stopped half-way goes on where it stopped.
    chosen = [mutant for mutant in chosen if mutant.key not in records]
    if not chosen:
        return print(f"{' '.join(args.source)}: every mutant chosen is recorded already")
    objects = objects_of(session.build, sorted({m.path for m in chosen}))
    if not session.rebuild() or session.run_tests() != 0:
        sys.exit("the unmutated tree does not build or pass its tests")
    print("tests of " + ", ".join(p.name for p in session.programs), flush=True)
    original_objects = {source: digest(made) for source, made in objects.items()}

    counts = dict.fromkeys(("killed", "survived", "stillborn", "equivalent"), 0)
    survivors = []
    for index, mutant in enumerate(chosen, 1):
        original = mutant.path.read_text(encoding="utf-8")
        try:
            outcome = session.outcome(mutant, objects, original_objects)
        finally:
            mutant.path.write_text(original, encoding="utf-8")
        counts[outcome] += 1
        where = f"{mutant.path.relative_to(root)}:{mutant.number + 1}"
        if outcome == "survived":
            survivors.append(f"{mutant.key} {where}: {mutant.operator}")
        print(f"[{index}/{len(chosen)}] {mutant.key} {outcome:10} {where} {mutant.operator}",
              flush=True)
        if args.json:
            records[mutant.key] = mutant.record(root, outcome)
            records[mutant.key]["tests"] = [p.name for p in session.programs]
            save(args.json, records)
    session.rebuild()
    viable = counts["killed"] + counts["survived"]
    print(f"\n{' '.join(args.source)}: " + ", ".join(f"{n} {k}" for k, n in counts.items()) +
          f"; kill rate {100 * counts['killed'] / max(viable, 1):.1f} %")
    for survivor in survivors:
        print("  survived:", survivor)


def save(path, records):
    temporary = pathlib.Path(f"{path}.part")
    temporary.write_text(json.dumps({"mutants": records}, indent=1, sort_keys=True) + "\n",
                         encoding="utf-8")
    temporary.replace(path)


def compare(old_path, new_path):
    """The kill rates of two records on the mutants viable in both."""
    old, new = load(old_path), load(new_path)
    shared = sorted(key for key in old.keys() & new.keys()
                    if old[key]["outcome"] in VIABLE and new[key]["outcome"] in VIABLE)
    print(f"{len(old)} and {len(new)} mutants recorded, {len(shared)} viable in both")
    files = sorted({pathlib.Path(new[key]["file"]).name for key in shared})
    print(f"{'file':28} {'shared':>6} {'old':>8} {'new':>8}")
    for name in [*files, None]:
        keys = [k for k in shared if name in (None, pathlib.Path(new[k]["file"]).name)]
        rates = [sum(r[k]["outcome"] == "killed" for k in keys) for r in (old, new)]
        print(f"{name or 'all':28} {len(keys):6} " +
              " ".join(f"{100 * n / max(len(keys), 1):7.1f}%" for n in rates))
    for key in shared:
        if old[key]["outcome"] != new[key]["outcome"]:
            m = new[key]
            print(f"  {old[key]['outcome']} -> {m['outcome']}: {m['file']}:{m['line']}"
                  f" {m['operator']}: {m['text']}")


def interrupt(signum, frame):
    raise KeyboardInterrupt


def main():
    # A run started in the background ignores Ctrl-C's signal, and one stopped by kill gets
    # SIGTERM: both must still restore the source they changed.
    signal.signal(signal.SIGINT, interrupt)
    signal.signal(signal.SIGTERM, interrupt)
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--compare", nargs=2, metavar=("OLD", "NEW"))
    parser.add_argument("--build")
    parser.add_argument("--source", nargs="+", help="folders or files of product code to mutate")
    parser.add_argument("--tests", nargs="+", default=[],
                        help="folders or files under tests/ whose tests also run (those of each"
                        " source's own folder always do)")
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--timeout", type=int, default=300)
    parser.add_argument("--json", help="record each mutant's outcome in this file")
    parser.add_argument("--same-as", help="only the mutants recorded in this file")
    args = parser.parse_args()
    if args.compare:
        compare(*args.compare)
    elif args.build and args.source:
        mutation_run(args)
    else:
        parser.error("--build and --source are needed, or --compare")


if __name__ == "__main__":
    main()
