#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Lines of tests against lines of product code: non-blank lines that are not only a comment,
in C++ sources and headers. bench/ and fuzz/ count as neither.  tools/test_share.py"""
import pathlib
import re

PRODUCT = ["files", "metafile", "imaging", "compare", "review", "run", "ui", "app", "cli"]
COMMENT = re.compile(r"^\s*(//|/\*|\*)")


def count(folder):
    total = 0
    for path in sorted(pathlib.Path(folder).rglob("*")):
        if path.suffix in (".cpp", ".h"):
            total += sum(1 for line in path.read_text(encoding="utf-8").splitlines()
                         if line.strip() and not COMMENT.match(line))
    return total


root = pathlib.Path(__file__).resolve().parent.parent
product = {folder: count(root / folder) for folder in PRODUCT}
tests = {folder.name: count(folder) for folder in sorted((root / "tests").iterdir())
         if folder.is_dir()}
code, tested = sum(product.values()), sum(tests.values())
for name, lines in product.items():
    print(f"  {name:10} {lines:6}")
print(f"product    {code:6}")
for name, lines in tests.items():
    print(f"  tests/{name:10} {lines:6}")
print(f"tests      {tested:6}  ({100 * tested / code:.1f} % of the product)")
