#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Micro-benchmarks of the equal-cell count and of the grouping, with the ratios to the plain
# byte loop. usage: bench/micro.sh BUILD_DIR [google-benchmark options]
set -eu
BUILD=$(cd "${1:?build folder}" && pwd)
shift
OUT=$(mktemp)
trap 'rm -f "$OUT"' EXIT
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), cores: $(nproc)"
"$BUILD/bench/micro_bench" --benchmark_out="$OUT" --benchmark_out_format=json "$@"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$OUT" <<'PY'
import json, sys
runs = [b for b in json.load(open(sys.argv[1]))["benchmarks"] if "pairs/s" in b]
rate = {b["name"]: b["pairs/s"] for b in runs}
label = {b["name"]: b.get("label", "") for b in runs}
base = rate.get("EqualCells/byte_loop")
vec = rate.get("EqualCells/byte_loop_autovectorised")
if base:
    print("\nequal cells, unrelated pairs, threshold 70 (ratio to the byte loop / to the auto-vectorised loop):")
    for name, value in rate.items():
        if name.startswith("EqualCells/"):
            print("  %-44s %-9s %10.3g pairs/s  x%6.1f  x%5.1f" % (name, label[name], value, value / base, value / vec))
plain = next((v for k, v in rate.items() if k.startswith("Grouping/plain/10000/70/")), None)
wall = {b["name"]: b["real_time"] for b in runs}
print("\ngrouping (pairs of the one-by-one scan per second):")
for b in runs:
    if b["name"].startswith("Grouping/"):
        ratio = " x%.1f" % (b["pairs/s"] / plain) if plain else ""
        print("  %-44s %9.1f s %10.3g pairs/s%s" % (b["name"], b["real_time"] / 1000, b["pairs/s"], ratio))
print("\ncandidate filter (same threshold, batches only / with the filter):")
for name in wall:
    if name.startswith("Grouping/scanner/") and "/0/1/" in name:
        off = name.replace("/0/1/", "/0/0/")
        if off in wall:
            print("  %-44s x%.1f" % (name, wall[off] / wall[name]))
PY
