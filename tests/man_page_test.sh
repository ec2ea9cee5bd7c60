#!/usr/bin/env bash
# The generated manual page renders without a warning, documents as an
# entry every option that the program's --help lists, and carries the
# sections that --help lacks.
# Usage: man_page_test.sh PROGRAM MAN_PAGE
set -euo pipefail
program=$1
page=$2

warnings=$(mktemp)
trap 'rm -f "$warnings"' EXIT
# Hyphens may render as U+2010 or U+2212; read them all as '-'.
rendered=$(groff -man -Tutf8 -ww -P -cbou "$page" 2>"$warnings" |
  sed 's/\xe2\x80\x90/-/g; s/\xe2\x88\x92/-/g')
if [ -s "$warnings" ]; then
  echo "groff warns about $page:" && cat "$warnings"
  exit 1
fi

options=$("$program" --help | grep -oE '^ +--?[a-z][a-z0-9-]*' | tr -d ' ')
if [ "$(wc -l <<<"$options")" -lt 10 ]; then
  echo "found only these options in --help, so the parsing is out of date:" $options
  exit 1
fi

status=0
for option in $options; do
  if ! grep -qE -- "^ +$option( |\$)" <<<"$rendered"; then
    echo "$option is in --help but has no entry in $page"
    status=1
  fi
done
for section in 'RECORD FORMAT' 'EXIT STATUS' 'EXAMPLES'; do
  if ! grep -qx "$section" <<<"$rendered"; then
    echo "$page has no $section section"
    status=1
  fi
done
echo "$(wc -w <<<"$options") options checked"
exit $status
