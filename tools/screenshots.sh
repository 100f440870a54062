#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of the windows for the README: the main window before a run, during the review of
# a pair (over a generated folder) and the About window. Runs the program under Xvfb,
# installed with its README into a neutral home folder (SCREENSHOT_HOME, by default a fresh
# temporary one), so that the paths the windows show name no real machine.
# Usage: tools/screenshots.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
program=$(realpath "${1:?program}")
out=$(realpath -m "${2:-docs}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home=${SCREENSHOT_HOME:-$work/home}

# Two copies of one picture and an unrelated one.
mkdir -p "$home/Pictures" "$home/.local/bin" "$home/.local/share/doc/morvane"
vips eye "$home/Pictures/eye.png" 480 360 --uchar
cp "$home/Pictures/eye.png" "$home/Pictures/eye copy.png"
vips zone "$home/Pictures/zone.png" 300 300 --uchar
cp "$program" "$home/.local/bin/morvane"
cp "$(dirname "$0")/../README.md" "$home/.local/share/doc/morvane/"

mkdir -p "$out"
cd "$home"
# In the default language, Russian, whatever the locale of the machine taking them.
HOME="$home" LANG=C.UTF-8 LC_ALL= LC_MESSAGES= LANGUAGE= \
  MORVANE_SCREENSHOT="$out" MORVANE_SCREENSHOT_FOLDER="$home/Pictures" \
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$home/.local/bin/morvane"
