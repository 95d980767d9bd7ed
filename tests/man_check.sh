#!/usr/bin/env bash
# The converter's man page names every option that its --help lists, so the
# two cannot drift apart unnoticed.
#   tests/man_check.sh CONVERTER MAN_PAGE
set -euo pipefail
converter=$1
page=$2
help=$("$converter" --help 2>/dev/null)
# In troff a dash in an option is written "\-".
text=$(sed 's/\\-/-/g' "$page")
missing=()
for option in $(echo "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$option" <<<"$text" || missing+=("$option")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "FAIL: $page does not describe ${missing[*]}" >&2
    exit 1
fi
echo "man check passed: $(echo "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u | wc -l) options"
