#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks one kind of packaging file with the tool Debian checks it with; any error or warning
# fails, and so does a page or a release that names another version than the project's.
# Usage: validate.sh desktop|metainfo|man|completion PACKAGING_FOLDER VERSION
#        validate.sh package BUILD_FOLDER VERSION (the Debian package made from that build)
# Exit 77 (skipped) only when the tool is missing.
set -euo pipefail
kind=$1
dir=$2
version=$3

need() { command -v "$1" >/dev/null || { echo "skipped: $1 is not installed"; exit 77; }; }
fail_on() { [[ -z $1 ]] || { echo "$1"; exit 1; }; }

case $kind in
desktop)
    need desktop-file-validate
    fail_on "$(desktop-file-validate "$dir/morvane.desktop" | grep -E 'error|warning' || true)"
    ;;
metainfo)
    need appstreamcli
    appstreamcli validate --no-net "$dir"/*.metainfo.xml
    grep -q "<release version=\"$version\"" "$dir"/*.metainfo.xml ||
        fail_on "no release $version in the metainfo"
    ;;
man)
    need groff
    # Each page as man renders it on a UTF-8 terminal and under LANG=C (ASCII), and as groff
    # reads it when told no encoding: a warning fails, and so does a name quoted empty (a
    # character the device lacks) or a doubled backslash. Russian names must still show in
    # Cyrillic where the device has it.
    for page in "$dir"/*.1; do
        fail_on "$(groff -man -ww -z "$page" 2>&1)"
        for device in utf8 ascii; do
            locale=C
            [[ $device == ascii ]] || locale=C.UTF-8
            text=$(LC_ALL=$locale groff -k -man -T$device -ww "$page" 2>&1)
            fail_on "$(grep -E '^[a-z]+: |""|“”|\\\\' <<<"$text" | sed "s|^|$page, $device: |")"
            [[ $device == ascii ]] || ! grep -q '\\\[u04' "$page" ||
                LC_ALL=C.UTF-8 grep -qP '\p{Cyrillic}' <<<"$text" || fail_on "$page: no Cyrillic"
        done
        grep -q "^\.TH .* \"Morvane $version\"" "$page" || fail_on "$page: not version $version"
    done
    ;;
completion)
    need bash
    [[ -f /usr/share/bash-completion/bash_completion ]] ||
        { echo "skipped: bash-completion is not installed"; exit 77; }
    exec bash "$(dirname "$0")/completion_test.sh" "$dir/morvane-cli.bash-completion"
    ;;
package)
    need lintian
    need cpack
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
    cpack -G DEB -B "$out" --config "$dir/CPackConfig.cmake" >"$out/cpack.log" ||
        { cat "$out/cpack.log"; exit 1; }
    deb="$out/morvane_${version}_$(dpkg --print-architecture).deb"
    [[ -f $deb ]] || fail_on "no $deb"
    # Errors and warnings fail; information and pedantic notes are shown only.
    report=$(lintian --pedantic --tag-display-limit 0 "$deb" 2>&1 | grep -v 'root privileges' || true)
    echo "$report"
    fail_on "$(grep -E '^[EW]: ' <<<"$report" || true)"
    ;;
*)
    echo "unknown kind: $kind"
    exit 2
    ;;
esac
