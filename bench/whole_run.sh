#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-run benchmark: morvane-cli on a generated JPEG library, beside the same files made into
# 32x32 thumbnails by two parallel vipsthumbnail processes (the decoder-speed reference).
# usage: bench/whole_run.sh BUILD_DIR [COUNT] [LIBRARY_DIR]
set -eu
BUILD=$(cd "${1:?build folder}" && pwd)
COUNT=${2:-1000}
LIB=${3:-${TMPDIR:-/tmp}/morvane-bench/library-$COUNT}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

[ -d "$LIB" ] || "$BUILD/bench/make_library" "$LIB" "$COUNT"
now() { date +%s.%N; }
rate() { python3 -c "import sys; print('%.1f' % (float(sys.argv[1]) / (float(sys.argv[3]) - float(sys.argv[2]))))" "$@"; }

find "$LIB" -type f -name '*.jpg' | sort >"$WORK/files"
TOTAL=$(wc -l <"$WORK/files")
echo "library: $LIB ($TOTAL JPEG files, $(du -sh "$LIB" | cut -f1))"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), cores: $(nproc)"
# Both sides read the files from the page cache.
xargs -a "$WORK/files" cat >/dev/null

echo "--- morvane-cli (threshold 70)"
START=$(now)
/usr/bin/time -f "peak memory: %M KiB, cpu: %U user + %S sys" -o "$WORK/time" \
    "$BUILD/morvane-cli" --threshold 70 --list "$WORK/list.txt" --log "$WORK/run.log" "$LIB" \
    >"$WORK/cli.out" 2>&1 || true
END=$(now)
CLI=$(rate "$TOTAL" "$START" "$END")
echo "whole run: $(python3 -c "print('%.2f' % ($END - $START))") s, $CLI pictures/s"
cat "$WORK/time"

echo "--- engine phases (collection, grouping)"
"$BUILD/bench/run_phases" "$LIB" 70

echo "--- vipsthumbnail --size 32x32, two processes"
split -n l/2 "$WORK/files" "$WORK/part."
mkdir -p "$WORK/a" "$WORK/b"
START=$(now)
/usr/bin/time -f "%U %S" -o "$WORK/time.a" \
    xargs -a "$WORK/part.aa" vipsthumbnail --size 32x32 -o "$WORK/a/%s.jpg" &
/usr/bin/time -f "%U %S" -o "$WORK/time.b" \
    xargs -a "$WORK/part.ab" vipsthumbnail --size 32x32 -o "$WORK/b/%s.jpg" &
wait
END=$(now)
THUMB=$(rate "$TOTAL" "$START" "$END")
echo "vipsthumbnail: $(python3 -c "print('%.2f' % ($END - $START))") s, $THUMB pictures/s"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 -c "print('ratio morvane-cli / vipsthumbnail: %.2f' % ($CLI / $THUMB))"
# On a shared machine the wall clock follows the other load; CPU seconds per picture do less.
python3 - "$WORK/time" "$WORK/time.a" "$WORK/time.b" "$TOTAL" <<'PY'
import re, sys
cli = sum(map(float, re.findall(r"([0-9.]+) (?:user|sys)", open(sys.argv[1]).read())))
thumb = sum(float(x) for f in sys.argv[2:4] for x in open(f).read().split()[-2:])
n = int(sys.argv[4])
print("cpu per picture: morvane-cli %.1f ms, vipsthumbnail %.1f ms, ratio (vipsthumbnail / morvane-cli) %.2f"
      % (1000 * cli / n, 1000 * thumb / n, thumb / cli))
PY
