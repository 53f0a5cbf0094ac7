#!/usr/bin/env bash
# tarvox and espeak-ng (Slovenian voice) as whole processes on the same long
# Slovenian text, each writing a WAV file, in one run: prints both real-time
# factors (seconds of audio per second of wall time) and their ratio, once
# writing WAV files and once writing to standard output (discarded), and
# the peak memory (resident set) of each process.
#
#   bench/compare-espeak.sh [TEXT_FILE] [RUNS]
#
# Without TEXT_FILE the text is about 120 kB of prose put together, in a
# fixed shuffled order, from the project's own made-up sentences
# (voices/corpus/check-sentences.txt and the sentences of
# voices/tests/reading_golden.txt).
#
# Needs the built tree (./run build) and the Debian package espeak-ng.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${2:-5}
tarvox=build/tools/tarvox
[ -x "$tarvox" ] || { echo "build first: ./run build" >&2; exit 1; }
command -v espeak-ng >/dev/null || { echo "install espeak-ng" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
text=${1:-}
if [ -z "$text" ]; then
  text=$out/prose.txt
  { cat voices/corpus/check-sentences.txt
    awk '/^#/ || /^ / || NF == 0 { next } { print }' voices/tests/reading_golden.txt; } |
    awk 'BEGIN { srand(7) } { line[n++] = $0 }
         END { while (size < 120000) { s = line[int(rand() * n)]; size += length(s) + 1
                                       printf "%s%s", s, (++k % 6 ? " " : "\n") } print "" }' > "$text"
fi

# Best (shortest) wall time of RUNS runs of a command, in seconds.
best_time() {
  local best=""
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s.%N)
    best=$(awk -v a="$t0" -v b="$t1" -v best="$best" \
      'BEGIN { d = b - a; if (best == "" || d < best) print d; else print best }')
  done
  echo "$best"
}

# Seconds of audio in a WAV file (soxi from the Debian package sox, or
# Python's wave module).
audio_seconds() {
  if command -v soxi >/dev/null; then
    soxi -D "$1"
  else
    python3 -c 'import sys, wave; w = wave.open(sys.argv[1]); print(w.getnframes() / w.getframerate())' "$1"
  fi
}

# Peak resident memory of one run, in MB (GNU time from the Debian
# package time; "?" without it).
peak_mb() {
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M -o "$out/rss" "$@" >/dev/null 2>&1
    awk '{ printf "%.1f", $1 / 1024 }' "$out/rss"
  else
    echo "?"
  fi
}

t_tarvox=$(best_time "$tarvox" say -f "$text" -o "$out/tarvox.wav")
t_espeak=$(best_time espeak-ng -v sl -f "$text" -w "$out/espeak.wav")
# The same with the audio on standard output, thrown away: synthesis
# without the writing of the files (which takes the kernel a while for
# hundreds of megabytes, the same for both).
t_tarvox_pipe=$(best_time sh -c '"$0" say -f "$1" --stdout > /dev/null' "$tarvox" "$text")
t_espeak_pipe=$(best_time sh -c 'espeak-ng -v sl -f "$0" --stdout > /dev/null' "$text")
m_tarvox=$(peak_mb "$tarvox" say -f "$text" -o "$out/tarvox.wav")
m_espeak=$(peak_mb espeak-ng -v sl -f "$text" -w "$out/espeak.wav")
a_tarvox=$(audio_seconds "$out/tarvox.wav")
a_espeak=$(audio_seconds "$out/espeak.wav")
echo "text: $(wc -c < "$text") bytes, best of $runs runs"
awk -v tt="$t_tarvox" -v te="$t_espeak" -v at="$a_tarvox" -v ae="$a_espeak" \
    -v tp="$t_tarvox_pipe" -v ep="$t_espeak_pipe" -v mt="$m_tarvox" -v me="$m_espeak" 'BEGIN {
  rt = at / tt; re = ae / te
  printf "to WAV files:\n"
  printf "  tarvox:    %.1f s of audio in %.3f s: %.0f x real time, peak %s MB\n", at, tt, rt, mt
  printf "  espeak-ng: %.1f s of audio in %.3f s: %.0f x real time, peak %s MB\n", ae, te, re, me
  printf "  tarvox / espeak-ng: %.2f\n", rt / re
  printf "to standard output, discarded:\n"
  printf "  tarvox:    %.3f s: %.0f x real time\n", tp, at / tp
  printf "  espeak-ng: %.3f s: %.0f x real time\n", ep, ae / ep
  printf "  tarvox / espeak-ng: %.2f\n", (at / tp) / (ae / ep)
}'
