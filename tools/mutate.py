#!/usr/bin/env python3
"""Mutation run: small source mutations, each rebuilt and tested, to show the tests catch faults.

  tools/mutate.py --build build --source files compare --tests files compare [--count 200]

For each mutant (a flipped comparison, an off-by-one constant, a negated condition, a dropped
statement...) one line of one source file under --source (folders or files) is changed, the
test programs built from tests/<--tests>/*.cpp are rebuilt, and those tests run. The mutants
are chosen by a digest of the file's name, the line's text and the mutation, not by place, so
the same mutants are chosen again after code moves between files or folders: runs before and
after a change to the tests compare like with like. A mutant is killed when a test
fails, stillborn when it does not compile; the rest survive and are listed. The source file is
always restored, also on Ctrl-C.
"""
import argparse
import hashlib
import os
import pathlib
import re
import signal
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


def stable_order(every):
    """Sorts mutants by a digest of what they change; equal lines of one file are told apart
    by their order."""
    seen = {}
    keyed = []
    for mutant in every:
        path, number, name, changed = mutant
        line = path.read_text(encoding="utf-8").split("\n")[number].strip()
        text = f"{path.name}|{line}|{name}|{changed.strip()}"
        seen[text] = seen.get(text, 0) + 1
        digest = hashlib.sha1(f"{text}|{seen[text]}".encode()).hexdigest()
        keyed.append((digest, mutant))
    keyed.sort(key=lambda pair: pair[0])
    return [(digest[:8], mutant) for digest, mutant in keyed]


def run(command, cwd, timeout, env=None):
    """The command's exit status, or -1 when it outlives the timeout. It runs in its own process
    group, killed whole when it ends: a program a test started (the command-line tool) and left
    looping under a mutant must not go on eating the processors for the mutants after it."""
    with subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          env=env, start_new_session=True) as process:
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
    parser.add_argument("--source", required=True, nargs="+",
                        help="folders or files of product code to mutate")
    parser.add_argument("--tests", required=True, nargs="+",
                        help="folders or files under tests/ whose tests run")
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--timeout", type=int, default=300)
    args = parser.parse_args()

    root = pathlib.Path(__file__).resolve().parent.parent
    build = pathlib.Path(args.build).resolve()
    targets = sorted(p.stem for given in args.tests for p in
                     ([root / "tests" / given] if given.endswith(".cpp")
                      else (root / "tests" / given).glob("*.cpp")))
    sources = sorted(p for given in args.source for p in
                     ([root / given] if given.endswith(".cpp") else (root / given).rglob("*.cpp")))
    every = [m for source in sources for m in mutants(source)]
    chosen = stable_order(every)[:args.count]
    build_command = ["cmake", "--build", str(build), "-j2", "--target", *targets]
    programs = [build / "tests" / target for target in targets]
    if run(build_command, root, args.timeout) != 0 or run_tests(programs, build, args.timeout):
        sys.exit("the unmutated tree does not build or pass its tests")

    killed = stillborn = 0
    survivors = []
    for index, (ident, (path, number, name, changed)) in enumerate(chosen, 1):
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
                survivors.append(f"{ident} {path.relative_to(root)}:{number + 1}: {name}")
                outcome = "SURVIVED"
        finally:
            path.write_text(original, encoding="utf-8")
        print(f"[{index}/{len(chosen)}] {ident} {outcome:9} {path.relative_to(root)}:{number + 1}"
              f" {name}",
              flush=True)
    run(build_command, root, args.timeout)
    viable = killed + len(survivors)
    print(f"\n{' '.join(args.source)}: {killed} killed, {len(survivors)} survived, {stillborn} stillborn;"
          f" kill rate {100 * killed / max(viable, 1):.1f} %")
    for survivor in survivors:
        print("  survived:", survivor)


if __name__ == "__main__":
    main()
