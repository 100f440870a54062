#!/usr/bin/env python3
"""Scores a run's duplicate list against a corpus's truth file.

usage: score.py LIST TRUTH [--row CELLS] [--kinds]
       score.py --header | --kinds-header | --self-test

True pairs: two files of the same original, mirrors left out. Recall: the share of true pairs
that end in one group; precision: the share of grouped pairs that are true; mirrors: the share
of mirrors in a group with a file of their own original. --row prints these as a Markdown row
after the given cells; --kinds prints, per kind of copy, the share that shares a group with
its original.
"""
import argparse
import os
import sys
from collections import Counter
from itertools import combinations

SEPARATOR = "-" * 20
KINDS = ["q90", "q60", "half", "quarter", "png", "bmp", "gif", "webp", "crop", "bright",
         "grey", "mirror"]


def read_truth(text):
    """name -> (original, kind) from the truth file's lines (first line: the heading)."""
    rows = (line.split("\t") for line in text.splitlines()[1:] if line)
    return {name: (original, kind) for name, original, kind, *_ in rows}


def read_groups(data):
    """The list file's groups as lists of lines: CR LF lines, a group after each separator."""
    groups = []
    for line in data.decode("utf-8", "surrogateescape").split("\r\n"):
        if line == SEPARATOR:
            groups.append([])
        elif line:
            if not groups:
                raise ValueError("a path before the first separator: " + line)
            groups[-1].append(line)
    return groups


def name_of(line, truth):
    """The truth name a list line stands for. A line break in a name is written as the two
    characters backslash n (and CR as backslash r); a real backslash stays as it is."""
    for candidate in (line, line.replace("\\n", "\n").replace("\\r", "\r")):
        name = os.path.basename(candidate)
        if name in truth:
            return name
    raise ValueError("not in the truth file: " + line)


def score(groups, truth):
    groups = [[name_of(line, truth) for line in group] for group in groups]
    seen = Counter(name for group in groups for name in group)
    twice = [name for name, count in seen.items() if count > 1]
    if twice:
        raise ValueError("in more than one group: " + ", ".join(twice))

    copies = Counter(original for original, kind in truth.values() if kind != "mirror")
    true_pairs = sum(n * (n - 1) // 2 for n in copies.values())
    grouped = found = 0
    for group in groups:
        for a, b in combinations(group, 2):
            grouped += 1
            (oa, ka), (ob, kb) = truth[a], truth[b]
            found += oa == ob and "mirror" not in (ka, kb)
    mirrors = [name for name, (_, kind) in truth.items() if kind == "mirror"]
    group_of = {name: i for i, group in enumerate(groups) for name in group}

    def with_own(name, kinds):
        """Whether name shares a group with a file of its own original of one of kinds."""
        if name not in group_of:
            return False
        own = truth[name][0]
        return any(truth[other][0] == own and truth[other][1] in kinds and other != name
                   for other in groups[group_of[name]])

    non_mirror = set(KINDS[:-1]) | {"orig"}
    by_kind = {kind: [with_own(n, {"orig"}) for n, (_, k) in truth.items() if k == kind]
               for kind in KINDS}
    return {
        "recall": found / true_pairs if true_pairs else None,
        "precision": found / grouped if grouped else None,
        "mirrors": (sum(with_own(m, non_mirror) for m in mirrors) / len(mirrors)
                    if mirrors else None),
        "groups": len(groups),
        "by_kind": {k: sum(v) / len(v) if v else None for k, v in by_kind.items()},
    }


def percent(value):
    return "n/a" if value is None else "%.1f %%" % (100 * value)


def self_test():
    truth = read_truth("name\toriginal\tkind\n"
                       "a1.jpg\tA\torig\na2.png\tA\tpng\na3.gif\tA\tgif\nam.jpg\tA\tmirror\n"
                       "b1.jpg\tB\torig\nb2.jpg\tB\tq60\n"
                       "c2.bmp\tC\tbmp\nd1.jpg\tD\torig\ndm.jpg\tD\tmirror\n")
    truth["c\n1.jpg"] = ("C", "orig")  # a name with a line break in it
    listed = ("--------------------\r\nx/a1.jpg\r\nx/a2.png\r\nx/am.jpg\r\n"
              "--------------------\r\nx/b1.jpg\r\nx/a3.gif\r\n"
              "--------------------\r\nx/c\\n1.jpg\r\nx/c2.bmp\r\n").encode()
    got = score(read_groups(listed), truth)
    # True pairs: 3 of A, 1 of B, 1 of C; grouped: a1-a2, a1-am, a2-am, b1-a3, c1-c2.
    assert got["recall"] == 2 / 5 and got["precision"] == 2 / 5, got
    assert got["mirrors"] == 1 / 2 and got["groups"] == 3, got
    assert got["by_kind"]["png"] == 1 and got["by_kind"]["gif"] == 0, got
    assert got["by_kind"]["mirror"] == 1 / 2 and got["by_kind"]["q60"] == 0, got
    assert score([], truth)["precision"] is None and score([], truth)["recall"] == 0
    for bad in ("x/a1.jpg\r\n", "--------------------\r\nx/zz.jpg\r\n",
                "--------------------\r\nx/a1.jpg\r\n--------------------\r\nx/a1.jpg\r\n"):
        try:
            score(read_groups(bad.encode()), truth)
        except ValueError:
            continue
        raise AssertionError("accepted: " + bad)
    print("score.py: self-test passed")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("list", nargs="?")
    parser.add_argument("truth", nargs="?")
    parser.add_argument("--row", help="leading Markdown cells, e.g. 'exact | 70'")
    parser.add_argument("--kinds", action="store_true")
    parser.add_argument("--header", action="store_true")
    parser.add_argument("--kinds-header", action="store_true")
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test:
        return self_test()
    if args.header:
        return print("| mode | threshold | recall | precision | mirrors grouped | groups |\n"
                     "|---|---|---|---|---|---|")
    if args.kinds_header:
        return print("| mode | threshold | " + " | ".join(KINDS) + " |\n|---|---|"
                     + "---|" * len(KINDS))
    if not args.list or not args.truth:
        parser.error("LIST and TRUTH are needed")
    with open(args.truth) as truth_file, open(args.list, "rb") as list_file:
        truth = read_truth(truth_file.read())
        try:
            got = score(read_groups(list_file.read()), truth)
        except ValueError as error:
            sys.exit(f"score.py: {args.list}: {error}")
    lead = f"| {args.row} | " if args.row is not None else "| "
    if args.kinds:
        print(lead + " | ".join(percent(got["by_kind"][k]) for k in KINDS) + " |")
    elif args.row is not None:
        print(lead + " | ".join([percent(got["recall"]), percent(got["precision"]),
                                 percent(got["mirrors"]), str(got["groups"])]) + " |")
    else:
        print("recall %s, precision %s, mirrors grouped %s, groups %d" % (
            percent(got["recall"]), percent(got["precision"]), percent(got["mirrors"]),
            got["groups"]))


if __name__ == "__main__":
    main()
