#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Four-fold cross-validation of a voice's rules inside the lexicon's
# training words: for each fold K, the syllable statistics are counted
# without the fold's words and the fold is scored with the hand-written
# dictionaries only (the lexicon's dictionary, the forms derived from it
# and the index are left out). The held-out words are never read.
#
#   tools/langdata/scripts/crossvalidate.sh BUILT_VOICE_DIR LEXICON [GFP_PROFILE] [TOOL]
set -eu
voice=$1
lexicon=$2
profile=${3:-$voice/gfp.ini}
tool=${4:-$(dirname "$0")/../../../build/tools/tarvox-langdata}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for k in 0 1 2 3; do
  rm -rf "$work/v"
  cp -r "$voice" "$work/v"
  rm -rf "$work/v/data" "$work/v/slovarji/leksikon.dct" "$work/v/slovarji/oblike.dct"
  cp "$profile" "$work/v/gfp.ini"
  "$tool" stats "$lexicon" "$work/v/gfp.ini" "$work/v/stat" --leave-out $k >/dev/null
  "$tool" evaluate "$work/v" "$lexicon" --part fold$k
done | awk '
  { n = $1; words += n
    match($0, /: [0-9.]+ %/); s += n * substr($0, RSTART + 2, RLENGTH - 4)
    match($0, /\([0-9.]+ %/); q += n * substr($0, RSTART + 1, RLENGTH - 3)
    match($0, /, [0-9.]+ % with sounds/); a += n * substr($0, RSTART + 2, RLENGTH - 15)
    match($0, /, [0-9.]+ % with the stress/); t += n * substr($0, RSTART + 2, RLENGTH - 18)
    print }
  END { printf "%d words in four folds: %.1f %% sounds, %.1f %% with the e/o quality, %.1f %% all right, %.1f %% stress\n",
        words, s / words, q / words, a / words, t / words }'
