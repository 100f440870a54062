#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory and time of a whole run over a folder of two big PNGs: 12000 x 9000 noise
# (108 megapixels) and a 30000 x 30000 picture (900 megapixels), both fingerprinted by
# streaming their rows through the reduction.
# usage: bench/big_pictures.sh BUILD [FOLDER]
set -eu
BUILD=${1:?usage: big_pictures.sh BUILD [FOLDER]}
DIR=${2:-$(mktemp -d)}
mkdir -p "$DIR/pictures"
[ -f "$DIR/pictures/noise.png" ] ||
    vips gaussnoise "$DIR/pictures/noise.png" 12000 9000 --mean 128 --sigma 40
[ -f "$DIR/pictures/wide.png" ] ||
    vips black "$DIR/pictures/wide.png" 30000 30000 --bands 3
ls -l "$DIR/pictures"
for picture in noise wide; do
    echo "$picture.png alone:"
    /usr/bin/time -v "$BUILD/morvane-cli" --fingerprint "$DIR/pictures/$picture.png" 2>&1 |
        grep -E "Maximum resident|Elapsed|^[^ \t].*[0-9]+ *x *[0-9]+" || true
done
echo "whole run:"
/usr/bin/time -v "$BUILD/morvane-cli" --list "$DIR/list.txt" --log "$DIR/log.txt" \
    "$DIR/pictures" 2>&1 | grep -E "Maximum resident|Elapsed"
