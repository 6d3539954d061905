#!/bin/sh
# The manual pages are well formed (groff says nothing at its strictest),
# and tbwallet's names every command and option its help names.
#   man_pages_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
fail() { echo "man_pages_test: $*" >&2; exit 1; }
for page in "$build/packaging/tbwallet.1" "$source/resources/man/ostreltbpro2006.1" "$source/resources/man/tbsetup.1"; do
  out=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed on $page"
  [ -z "$out" ] || fail "groff on $page: $out"
done
# The page's source with its escapes undone: what a reader sees, unwrapped.
text=$(sed 's/\\-/-/g; s/\\f[BIR]//g; s/\\e/\\/g' "$build/packaging/tbwallet.1")
tbwallet="$build/bin/tbwallet"
for command in $("$tbwallet" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }'); do
  echo "$text" | grep -q "tbwallet $command" || fail "the page lacks the command $command"
  for option in $("$tbwallet" "$command" --help | head -1 | grep -o -- '--[a-z][a-z-]*'); do
    echo "$text" | grep -q -- "$option" || fail "the page lacks $command's option $option"
  done
done
echo "$text" | grep -q "EXIT STATUS" || fail "no exit status"
echo "man_pages_test: ok"
