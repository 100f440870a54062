#!/bin/sh
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
/usr/bin/time -f "peak memory: %M KiB" -o "$WORK/time" \
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
xargs -a "$WORK/part.aa" vipsthumbnail --size 32x32 -o "$WORK/a/%s.jpg" &
xargs -a "$WORK/part.ab" vipsthumbnail --size 32x32 -o "$WORK/b/%s.jpg" &
wait
END=$(now)
THUMB=$(rate "$TOTAL" "$START" "$END")
echo "vipsthumbnail: $(python3 -c "print('%.2f' % ($END - $START))") s, $THUMB pictures/s"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 -c "print('ratio morvane-cli / vipsthumbnail: %.2f' % ($CLI / $THUMB))"
