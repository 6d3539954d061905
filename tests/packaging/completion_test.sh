#!/bin/bash
# tbwallet's completion, sourced in a bash without bash-completion's
# helpers: it completes the commands and each command's options exactly as
# tbwallet --help lists them, wallets and tables by extension, and folders
# after --out.
#   completion_test.sh BUILD_DIR
set -eu
build=$1
tbwallet="$build/bin/tbwallet"
fail() { echo "completion_test: $*" >&2; exit 1; }
source "$build/packaging/tbwallet.bash-completion"
complete_words() {   # the words typed so far; the last one is completed
  COMP_WORDS=("$@")
  COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 ))
  COMPREPLY=()
  _tbwallet
  (( ${#COMPREPLY[@]} )) && printf '%s\n' "${COMPREPLY[@]}" | sort
  return 0
}
commands=$("$tbwallet" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }' | sort)
got=$(complete_words tbwallet "" | grep -v -- '^--help$')
[ "$got" = "$commands" ] || fail "commands: got [$got], want [$commands]"
[ "$(complete_words tbwallet form-e)" = "form-export" ] || fail "a partial command"
for command in $commands; do
  want=$( ("$tbwallet" "$command" --help | head -1 | grep -o -- '--[a-z][a-z-]*'; echo --help) | sort -u)
  got=$(complete_words tbwallet "$command" some.tb5 --)
  [ "$got" = "$want" ] || fail "$command's options: got [$got], want [$want]"
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
touch Mine.tb5 OTHER.TB5 cards.txt form.tbx old.wal notes.md
mkdir Sub
[ "$(complete_words tbwallet ls "" | tr '\n' ' ')" = "Mine.tb5 OTHER.TB5 Sub " ] || fail "wallets"
[ "$(complete_words tbwallet import Mine.tb5 "" | tr '\n' ' ')" = "Sub cards.txt " ] || fail "tables"
[ "$(complete_words tbwallet form-import Mine.tb5 "" | tr '\n' ' ')" = "Sub form.tbx " ] || fail "form files"
[ "$(complete_words tbwallet convert "" | tr '\n' ' ')" = "Sub old.wal " ] || fail "old wallets"
[ "$(complete_words tbwallet export Mine.tb5 --out "" | tr '\n' ' ')" = "Sub " ] || fail "folders after --out"
[ "$(complete_words tbwallet export Mine.tb5 --out Sub "" | tr '\n' ' ')" = "" ] || fail "after the item"
echo "completion_test: ok"
