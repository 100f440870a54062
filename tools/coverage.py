#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Line coverage of each layer and of the whole product, read by gcovr from a build made with
--coverage whose tests have run. Only the product's folders count: tests, benchmarks, fuzz
targets and generated files (moc, qrc, in the build folder) are left out.

  tools/coverage.py BUILD_FOLDER [more gcovr options]
"""
import json
import os
import pathlib
import re
import subprocess
import sys

LAYERS = ["files", "metafile", "imaging", "compare", "review", "run", "ui", "app", "cli"]

root = pathlib.Path(__file__).resolve().parent.parent
build = pathlib.Path(sys.argv[1]).resolve()
# An absolute pattern: gcovr would put the current folder in front of any other.
product = f"{re.escape(str(root))}/({'|'.join(LAYERS)})/"
# A counter that threads raced on (a build without atomic updates) can read negative; gcovr
# then warns about that line and goes on instead of giving no figures at all.
report = subprocess.run(
    ["gcovr", "--root", str(root), "--filter", product, "--json-summary",
     "--gcov-ignore-parse-errors",
     "-j", str(os.cpu_count()), *sys.argv[2:], str(build)],
    check=True, capture_output=True, text=True).stdout

total = {layer: 0 for layer in LAYERS}
covered = dict(total)
for entry in json.loads(report)["files"]:
    layer = entry["filename"].split("/")[0]
    total[layer] += entry["line_total"]
    covered[layer] += entry["line_covered"]
if not sum(total.values()):
    sys.exit(f"no coverage data under {build}: build with --coverage and run the tests first")


def row(name, lines, hit):
    print(f"{name:10} {lines:7} {hit:8} {100 * hit / max(lines, 1):8.1f} %")


print(f"{'layer':10} {'lines':>7} {'covered':>8} {'coverage':>10}")
for layer in LAYERS:
    row(layer + "/", total[layer], covered[layer])
row("total", sum(total.values()), sum(covered.values()))
