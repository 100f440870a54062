#!/bin/sh
# How well morvane-cli finds near copies: makes the corpus once (cached in the build folder),
# runs the exact mode at several thresholds, and the similar mode too when the program has
# one, and prints the scores as Markdown tables.
# usage: bench/near_copies/evaluate.sh BUILD_DIR [N]
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:?build folder}" && pwd)
COUNT=${2:-60}
CLI=$BUILD/morvane-cli
CORPUS=$BUILD/near_copies/corpus-$COUNT
MASKS='*.jpg;*.png;*.bmp;*.gif;*.webp'
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

[ -x "$CLI" ] || { echo "evaluate.sh: $CLI is not built" >&2; exit 1; }
python3 "$HERE/score.py" --self-test >/dev/null
[ -d "$CORPUS" ] || python3 "$HERE/make_corpus.py" "$CORPUS" "$COUNT"

# Before the second mode there was no --mode option; the exact mode was the only one.
RUNS="exact:50 exact:60 exact:70 exact:80 exact:90"
if "$CLI" --help | grep -q -- '--mode'; then
    RUNS="$RUNS similar:75 similar:80 similar:84 similar:88 similar:92 similar:95"
    MODE_OPTION=yes
fi

echo "corpus: $CORPUS ($COUNT originals, $(find "$CORPUS" -type f ! -name truth.tsv | wc -l) files)"
for run in $RUNS; do
    mode=${run%:*} threshold=${run#*:}
    set -- --threshold "$threshold" --masks "$MASKS" --list "$WORK/$run.txt" --log "$WORK/log"
    [ -z "${MODE_OPTION:-}" ] || set -- --mode "$mode" "$@"
    "$CLI" "$@" "$CORPUS" >"$WORK/out" 2>&1 || { cat "$WORK/out" >&2; exit 1; }
done

echo
python3 "$HERE/score.py" --header
for run in $RUNS; do
    python3 "$HERE/score.py" "$WORK/$run.txt" "$CORPUS/truth.tsv" --row "${run%:*} | ${run#*:}"
done
echo
echo "Copies in one group with their original, by kind:"
echo
python3 "$HERE/score.py" --kinds-header
for run in $RUNS; do
    python3 "$HERE/score.py" "$WORK/$run.txt" "$CORPUS/truth.tsv" --row "${run%:*} | ${run#*:}" \
        --kinds
done
