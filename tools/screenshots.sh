#!/usr/bin/env bash
# Pictures of the windows for the README: the main window before a run, during the review of
# a pair (over a generated folder) and the About window. Runs the program under Xvfb.
# Usage: tools/screenshots.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
program=$(realpath "${1:?program}")
out=$(realpath -m "${2:-docs}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Two copies of one picture and an unrelated one.
mkdir "$work/pictures"
vips eye "$work/pictures/eye.png" 480 360 --uchar
cp "$work/pictures/eye.png" "$work/pictures/eye copy.png"
vips zone "$work/pictures/zone.png" 300 300 --uchar

mkdir -p "$out"
cd "$work"
MORVANE_SCREENSHOT="$out" MORVANE_SCREENSHOT_FOLDER="$work/pictures" \
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$program"
