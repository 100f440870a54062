#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Libraries of other formats for decode_floor: the first N JPEGs of a library (by path) written
# as PNG, WebP (Q 75) and HEIC (Q 50) by libvips, one folder per format, two at a time.
# usage: bench/make_formats.sh SOURCE_FOLDER OUT_FOLDER [N]
set -eu
source=$1
out=$2
count=${3:-300}
mkdir -p "$out/png" "$out/webp" "$out/heic"
find "$source" -name '*.jpg' | sort | head -n "$count" |
    while read -r path; do
        name=$(basename "$path" .jpg)
        for format in png webp heic; do
            target="$out/$format/$name.$format"
            case $format in
                webp) target="$target[Q=75]" ;;
                heic) target="$target[Q=50]" ;;
            esac
            [ -e "$out/$format/$name.$format" ] || printf '%s\n%s\n' "$path" "$target"
        done
    done | xargs -d '\n' -n 2 -P 2 nice vips copy
# The counts show whether every file was written (HEIC needs libheif with an HEVC encoder).
for format in png webp heic; do
    echo "$format: $(find "$out/$format" -type f | wc -l) files"
done
