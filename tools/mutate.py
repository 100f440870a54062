#!/usr/bin/env python3
"""Mutation run: small source mutations, each rebuilt and tested, to show the tests catch faults.

  tools/mutate.py --build build --source files --tests files [--count 200] [--seed 1]

For each mutant (a flipped comparison, an off-by-one constant, a negated condition, a dropped
statement...) one line of one source file under --source is changed, the test programs built
from tests/<--tests>/*.cpp are rebuilt, and those tests run. A mutant is killed when a test
fails, stillborn when it does not compile; the rest survive and are listed. The source file is
always restored, also on Ctrl-C.
"""
import argparse
import os
import pathlib
import random
import re
import subprocess
import sys

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


def mutants(path):
    lines = path.read_text(encoding="utf-8").split("\n")
    for number, line in enumerate(lines):
        if SKIP.search(line) or not line.strip():
            continue
        for name, pattern, replacement in OPERATORS:
            for match in re.finditer(pattern, line):
                changed = line[:match.start()] + match.expand(replacement) + line[match.end():]
                yield (path, number, name, changed)
        if STATEMENT.match(line) and "return" not in line:
            yield (path, number, "drop statement", "")


def run(command, cwd, timeout, env=None):
    try:
        return subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout, env=env).returncode
    except subprocess.TimeoutExpired:
        return -1


def run_tests(programs, build, timeout):
    """The test programs themselves (ctest names GoogleTest cases by suite, not by program),
    with the environment ctest gives them: non-zero as soon as one fails."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
               XDG_CACHE_HOME=os.path.join(build, "tests", "xdg-cache"))
    for program in programs:
        status = run([str(program)], build, timeout, env)
        if status != 0:
            return status
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True, help="folder of product code to mutate")
    parser.add_argument("--tests", required=True, help="folder under tests/ whose tests run")
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=int, default=300)
    args = parser.parse_args()

    root = pathlib.Path(__file__).resolve().parent.parent
    build = pathlib.Path(args.build).resolve()
    targets = sorted(p.stem for p in (root / "tests" / args.tests).glob("*.cpp"))
    sources = sorted((root / args.source).rglob("*.cpp"))
    every = [m for source in sources for m in mutants(source)]
    random.Random(args.seed).shuffle(every)
    chosen = every[:args.count]
    build_command = ["cmake", "--build", str(build), "-j2", "--target", *targets]
    programs = [build / "tests" / target for target in targets]
    if run(build_command, root, args.timeout) != 0 or run_tests(programs, build, args.timeout):
        sys.exit("the unmutated tree does not build or pass its tests")

    killed = stillborn = 0
    survivors = []
    for index, (path, number, name, changed) in enumerate(chosen, 1):
        original = path.read_text(encoding="utf-8")
        lines = original.split("\n")
        lines[number] = changed
        try:
            path.write_text("\n".join(lines), encoding="utf-8")
            if run(build_command, root, args.timeout) != 0:
                stillborn += 1
                outcome = "stillborn"
            elif run_tests(programs, build, args.timeout) != 0:
                killed += 1
                outcome = "killed"
            else:
                survivors.append(f"{path.relative_to(root)}:{number + 1}: {name}")
                outcome = "SURVIVED"
        finally:
            path.write_text(original, encoding="utf-8")
        print(f"[{index}/{len(chosen)}] {outcome:9} {path.relative_to(root)}:{number + 1} {name}",
              flush=True)
    run(build_command, root, args.timeout)
    viable = killed + len(survivors)
    print(f"\n{args.source}: {killed} killed, {len(survivors)} survived, {stillborn} stillborn;"
          f" kill rate {100 * killed / max(viable, 1):.1f} %")
    for survivor in survivors:
        print("  survived:", survivor)


if __name__ == "__main__":
    main()
