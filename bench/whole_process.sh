#!/bin/bash
# Whole `tbwallet` processes against reading the wallet file once.
#
#   bench/whole_process.sh [BUILD_DIR]
#
# Generates the benchmark wallets of 10,000 and 100,000 cards (12 fields
# each, 200 folders) once in a scratch folder, then times, as whole
# processes and in the same run:
#   cat W >/dev/null
#   tbwallet ls W
#   tbwallet find W TERM      (a term in no card)
#   tbwallet show W CARD      (the last card written, by id)
#   tbwallet info W
# Each command runs RUNS times (default 5) after one warm-up run, the
# commands taking turns so that a slow moment of the machine spreads over
# all of them; the table shows the median in milliseconds and its ratio to
# `cat` of the same wallet, and the growth from 10,000 to 100,000 cards.
# Last, the peak resident memory of `find` on the larger wallet, as
# /usr/bin/time -v reports it.
#
# BUILD_DIR (default: build) must hold bin/tbwallet and
# bench/make_bench_wallet (a build with -DTB_BUILD_BENCH=ON).
# Environment: RUNS, and WALLETS=DIR to keep the generated wallets in DIR
# and use them again on the next run (they are made when missing).
set -eu

build=${1:-build}
runs=${RUNS:-5}
tbwallet=$build/bin/tbwallet
generator=$build/bench/make_bench_wallet
password=Bench-Pass-1
term=zzqqxx

for tool in "$tbwallet" "$generator"; do
  if [ ! -x "$tool" ]; then
    echo "whole_process.sh: $tool is missing; build with -DTB_BUILD_BENCH=ON" >&2
    exit 2
  fi
done

if [ -n "${WALLETS:-}" ]; then
  scratch=$WALLETS
  mkdir -p "$scratch"
else
  scratch=$(mktemp -d /tmp/tb-whole-XXXXXX)
  trap 'rm -rf "$scratch"' EXIT
fi
printf '%s\n' "$password" >"$scratch/password"

sizes="10000 100000"
for cards in $sizes; do
  w=$scratch/cards$cards.tb5
  if [ ! -f "$w" ]; then
    echo "generating $cards cards..." >&2
    "$generator" "$w.part" "$cards" 200
    mv "$w.part" "$w"
  fi
done

# The card to show: the last one written, which a walk over the file
# meets last.
declare -A card
for cards in $sizes; do
  w=$scratch/cards$cards.tb5
  line=$("$tbwallet" ls "$w" <"$scratch/password" | grep -m1 " $((cards - 1))	") || true
  card[$cards]=${line##*	}
  if [ -z "${card[$cards]}" ]; then
    echo "whole_process.sh: no card $((cards - 1)) in $w" >&2
    exit 1
  fi
done

commands="cat ls find show info"

run_one() {   # command, wallet size
  local w=$scratch/cards$2.tb5
  case $1 in
    cat) cat "$w" >/dev/null ;;
    ls) "$tbwallet" ls "$w" <"$scratch/password" >/dev/null ;;
    find)
      local hits
      hits=$("$tbwallet" find "$w" "$term" <"$scratch/password")
      if [ -n "$hits" ]; then echo "whole_process.sh: '$term' was found" >&2; return 1; fi ;;
    show) "$tbwallet" show "$w" "${card[$2]}" <"$scratch/password" >/dev/null ;;
    info) "$tbwallet" info "$w" <"$scratch/password" >/dev/null ;;
  esac
}

declare -A times
for cards in $sizes; do
  for c in $commands; do run_one "$c" "$cards"; done   # warm-up: the file in the page cache
  for ((r = 0; r < runs; ++r)); do
    for c in $commands; do
      t0=$EPOCHREALTIME
      run_one "$c" "$cards"
      t1=$EPOCHREALTIME
      times[$c,$cards]+="$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f ", (b - a) * 1000 }')"
    done
  done
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A med
for cards in $sizes; do
  for c in $commands; do med[$c,$cards]=$(echo "${times[$c,$cards]}" | median); done
done

echo "medians of $runs runs, milliseconds (ratio to cat of the same wallet)"
printf '%-6s %10s %10s %10s %10s %8s\n' command 10k ratio 100k ratio growth
for c in $commands; do
  awk -v c="$c" -v a="${med[$c,10000]}" -v b="${med[$c,100000]}" \
      -v ca="${med[cat,10000]}" -v cb="${med[cat,100000]}" \
      'BEGIN { printf "%-6s %10.1f %9.2fx %10.1f %9.2fx %7.2fx\n", c, a, a / ca, b, b / cb, b / a }'
done
for cards in $sizes; do
  echo "size of cards$cards.tb5: $(stat -c %s "$scratch/cards$cards.tb5") bytes"
done

if [ -x /usr/bin/time ]; then
  rss=$(/usr/bin/time -v "$tbwallet" find "$scratch/cards100000.tb5" "$term" <"$scratch/password" 2>&1 >/dev/null |
        awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
  echo "max RSS of find on 100k cards: $rss KiB ($((rss / 1024)) MiB)"
else
  echo "max RSS: /usr/bin/time is missing (Debian package time)"
fi
