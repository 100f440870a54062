#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Scores duplicate lists against a corpus's truth file.

usage: score.py LIST TRUTH
       score.py --tables TRUTH MODE:THRESHOLD LIST [MODE:THRESHOLD LIST ...]
       score.py --self-test

True pairs: two files of the same original, negatives (mirror, shift, neighbour) left out.
Recall: the share of true pairs that end in one group; precision: the share of grouped pairs
that are true, so a negative in any group counts against it. By kind: the share of each kind
of copy in a group with its original's own file. Negatives: the share of each kind of
negative in a group with a file of an original it must not match (its negative_of column;
an original listed there against another original is that one's neighbour). --tables prints
Markdown tables of all the runs, one column a run for the kinds.
"""
import argparse
import os
import sys
from collections import Counter, namedtuple
from itertools import combinations

SEPARATOR = "-" * 20
NEGATIVES = ("mirror", "shift", "neighbour")
Entry = namedtuple("Entry", "original kind negative_of")


def read_truth(text):
    """name -> Entry from the truth file's lines (first line: the heading). A file of the
    first layout (four columns) has mirrors as its only negatives."""
    truth = {}
    for line in text.splitlines()[1:]:
        if line:
            name, original, kind, *rest = line.split("\t")
            against = rest[1].split() if len(rest) > 1 else [original] * (kind == "mirror")
            truth[name] = Entry(original, kind, frozenset(against))
    return truth


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


def kinds_of(truth):
    """The kinds of copy and of negative, in the truth file's order."""
    kinds = list(dict.fromkeys(e.kind for e in truth.values() if e.kind != "orig"))
    return ([k for k in kinds if k not in NEGATIVES],
            [k for k in NEGATIVES if k in kinds or k == "neighbour"])


def share(flags):
    return sum(flags) / len(flags) if flags else None


def score(groups, truth):
    groups = [[name_of(line, truth) for line in group] for group in groups]
    seen = Counter(name for group in groups for name in group)
    twice = [name for name, count in seen.items() if count > 1]
    if twice:
        raise ValueError("in more than one group: " + ", ".join(twice))

    def positive(name):
        return truth[name].kind not in NEGATIVES

    copies = Counter(e.original for n, e in truth.items() if positive(n))
    true_pairs = sum(n * (n - 1) // 2 for n in copies.values())
    grouped = found = 0
    for group in groups:
        for a, b in combinations(group, 2):
            grouped += 1
            found += truth[a].original == truth[b].original and positive(a) and positive(b)
    group_of = {name: i for i, group in enumerate(groups) for name in group}

    def with_original(name, original, only_orig):
        """Whether name shares a group with its original's file (only_orig) or any copy."""
        return name in group_of and any(
            truth[o].original == original and o != name and positive(o)
            and (truth[o].kind == "orig" or not only_orig) for o in groups[group_of[name]])

    copy_kinds, negative_kinds = kinds_of(truth)
    by_kind = {k: share([with_original(n, e.original, True) for n, e in truth.items()
                         if e.kind == k]) for k in copy_kinds}
    negatives = {k: [] for k in negative_kinds}
    for name, e in truth.items():
        for against in e.negative_of:
            kind = e.kind if e.kind in NEGATIVES else "neighbour"
            negatives[kind].append(with_original(name, against, False))
    return {
        "recall": found / true_pairs if true_pairs else None,
        "precision": found / grouped if grouped else None,
        "groups": len(groups),
        "by_kind": by_kind,
        "negatives": {k: share(v) for k, v in negatives.items()},
    }


def percent(value):
    return "n/a" if value is None else "%.1f %%" % (100 * value)


def tables(truth, runs):
    """Markdown: one row a run for the pairs and negatives, one column a run for the kinds."""
    copy_kinds, negative_kinds = kinds_of(truth)
    lines = ["| mode | threshold | recall | precision | "
             + " | ".join(k + " grouped" for k in negative_kinds) + " | groups |",
             "|---|---|---|---|" + "---|" * len(negative_kinds) + "---|"]
    for label, got in runs:
        lines.append("| " + " | ".join(
            label.split(":") + [percent(got["recall"]), percent(got["precision"])]
            + [percent(got["negatives"][k]) for k in negative_kinds] + [str(got["groups"])])
            + " |")
    lines += ["", "Copies in one group with their original, by kind:", "",
              "| kind | " + " | ".join(label.replace(":", " ") for label, _ in runs) + " |",
              "|---|" + "---|" * len(runs)]
    for kind in copy_kinds:
        lines.append(f"| {kind} | " + " | ".join(percent(got["by_kind"][kind])
                                               for _, got in runs) + " |")
    return "\n".join(lines)


def self_test():
    truth = read_truth("name\toriginal\tkind\tsource\tnegative_of\n"
                       "a1.jpg\tA\torig\t\t\na2.png\tA\tpng\t\t\na3.gif\tA\tgif\t\t\n"
                       "am.jpg\tA\tmirror\t\tA\nas.jpg\tA\tshift\t\tA D\n"
                       "b1.jpg\tB\torig\t\tA\nb2.jpg\tB\tq60\t\t\n"
                       "c2.bmp\tC\tbmp\t\t\nd1.jpg\tD\torig\t\t\ndm.jpg\tD\tmirror\t\tD\n")
    truth["c\n1.jpg"] = Entry("C", "orig", frozenset())  # a name with a line break in it
    listed = ("--------------------\r\nx/a1.jpg\r\nx/a2.png\r\nx/am.jpg\r\n"
              "--------------------\r\nx/b1.jpg\r\nx/a3.gif\r\nx/as.jpg\r\n"
              "--------------------\r\nx/c\\n1.jpg\r\nx/c2.bmp\r\n").encode()
    got = score(read_groups(listed), truth)
    # True pairs: 3 of A, 1 of B, 1 of C; grouped: 3 + 3 + 1, of which a1-a2 and c1-c2.
    assert got["recall"] == 2 / 5 and got["precision"] == 2 / 7, got
    assert got["groups"] == 3 and got["by_kind"] == {
        "png": 1, "gif": 0, "q60": 0, "bmp": 1}, got
    # The shift meets a3 of A, not D; b1 is A's neighbour and meets a3 too.
    assert got["negatives"] == {"mirror": 1 / 2, "shift": 1 / 2, "neighbour": 1}, got
    assert read_truth("n\to\tk\ts\nm.jpg\t7\tmirror\tx\n")["m.jpg"].negative_of == {"7"}
    assert score([], truth)["precision"] is None and score([], truth)["recall"] == 0
    for bad in ("x/a1.jpg\r\n", "--------------------\r\nx/zz.jpg\r\n",
                "--------------------\r\nx/a1.jpg\r\n--------------------\r\nx/a1.jpg\r\n"):
        try:
            score(read_groups(bad.encode()), truth)
        except ValueError:
            continue
        raise AssertionError("accepted: " + bad)
    print("score.py: self-test passed")


def scored(list_path, truth):
    with open(list_path, "rb") as list_file:
        try:
            return score(read_groups(list_file.read()), truth)
        except ValueError as error:
            sys.exit(f"score.py: {list_path}: {error}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("args", nargs="*")
    parser.add_argument("--tables", metavar="TRUTH")
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test:
        return self_test()
    truth_path = args.tables or (args.args[1] if len(args.args) == 2 else None)
    if not truth_path or (args.tables and (not args.args or len(args.args) % 2)):
        parser.error("LIST TRUTH, or --tables TRUTH LABEL LIST ... are needed")
    with open(truth_path) as truth_file:
        truth = read_truth(truth_file.read())
    if args.tables:
        pairs = zip(args.args[::2], args.args[1::2])
        return print(tables(truth, [(label, scored(path, truth)) for label, path in pairs]))
    got = scored(args.args[0], truth)
    print("recall %s, precision %s, groups %d; grouped with what they must not match: %s" % (
        percent(got["recall"]), percent(got["precision"]), got["groups"],
        ", ".join(f"{k} {percent(v)}" for k, v in got["negatives"].items())))


if __name__ == "__main__":
    main()
