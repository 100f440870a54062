#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# How well morvane-cli finds near copies: makes each corpus once (cached in the build folder),
# runs the exact mode at several thresholds, and the similar mode too when the program has
# one, prints the scores as Markdown tables and writes them to BUILD/near_copies/scores-N.md.
# usage: [SET=1|2] bench/near_copies/evaluate.sh BUILD_DIR [N]   (both sets unless SET)
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:?build folder}" && pwd)
COUNT=${2:-60}
SETS=${SET:-1 2}
CLI=$BUILD/cli/morvane-cli
[ -x "$CLI" ] || CLI=$BUILD/morvane-cli
MASKS='*.jpg;*.png;*.bmp;*.gif;*.webp'
OUT=$BUILD/near_copies/scores-$COUNT.md
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

[ -x "$CLI" ] || { echo "evaluate.sh: $BUILD/cli/morvane-cli is not built" >&2; exit 1; }
python3 "$HERE/score.py" --self-test >/dev/null

# Before the second mode there was no --mode option; the exact mode was the only one.
RUNS="exact:60 exact:70 exact:80"
if "$CLI" --help | grep -q -- '--mode'; then
    RUNS="$RUNS similar:80 similar:84 similar:88 similar:92 similar:95"
    MODE_OPTION=yes
fi

mkdir -p "$BUILD/near_copies"
for set in $SETS; do
    corpus=$BUILD/near_copies/set$set-$COUNT
    [ -d "$corpus" ] || python3 "$HERE/make_corpus.py" "$corpus" "$COUNT" --set "$set"
    for run in $RUNS; do
        mode=${run%:*} threshold=${run#*:}
        set -- --threshold "$threshold" --masks "$MASKS" --list "$WORK/$run.txt" \
            --log "$WORK/log" --no-cache
        [ -z "${MODE_OPTION:-}" ] || set -- --mode "$mode" "$@"
        "$CLI" "$@" "$corpus" >"$WORK/out" 2>&1 || { cat "$WORK/out" >&2; exit 1; }
    done
    {
        echo "### Set $set: $(awk -F'\t' 'NR > 1 && $3 == "orig"' "$corpus/truth.tsv" | wc -l)" \
            "originals, $(($(wc -l <"$corpus/truth.tsv") - 1)) files"
        echo
        # shellcheck disable=SC2086 # the labels and lists are single words
        python3 "$HERE/score.py" --tables "$corpus/truth.tsv" $(for run in $RUNS; do
            printf '%s %s ' "$run" "$WORK/$run.txt"; done)
        echo
    } >>"$WORK/scores.md"
done
mv "$WORK/scores.md" "$OUT"
cat "$OUT"
echo "(written to $OUT)"
