#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of morvane-cli, called as bash calls it, on a temp folder holding the
# folders "spare" and "my spare" and a file "a.jpg". Usage: completion_test.sh COMPLETION_FILE
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1" || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir spare "my spare" && touch a.jpg

failures=0
# expect "LINE" "COMPLETIONS": LINE is what was typed, its last word the one completed.
expect() {
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$1
    COMP_POINT=${#1}
    COMPREPLY=()
    _morvane_cli morvane-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
    if [[ $got != "$2" ]]; then
        echo "'$1': expected '$2', got '$got'"
        failures=$((failures + 1))
    fi
}

expect "morvane-cli --m" "--masks --mode"
expect "morvane-cli --mode " "exact identical similar"
expect "morvane-cli --mode=s" "similar"
expect "morvane-cli --v" "--version"
expect "morvane-cli --keep s" "shortest-path smallest"
expect "morvane-cli --keep largest,n" "largest,newest"
expect "morvane-cli --keep in:sp" "spare/"
expect "morvane-cli --reference sp" "spare"
expect "morvane-cli --dispose " "hardlink move: symlink trash wipe"
expect "morvane-cli --dispose move:sp" "spare/"
expect "morvane-cli --dispose move:my" 'my\ spare/'
expect "morvane-cli --fingerprint a" "a.jpg"
expect "morvane-cli --threshold " ""
expect "morvane-cli --keep largest " "my spare spare"
exit $((failures > 0))
