#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The share of a text's word tokens that a voice's dictionaries hold,
and which dictionary (in the voice's priority order) holds them.

    tools/langdata/scripts/coverage.py VOICE_DIR TEXT... [--slovenian-only]

Dictionaries: every slovarji/*.dct of the built voice. A token is a run of
letters; wholly capital words of two letters or more (acronyms, spelled)
are not counted. With --slovenian-only, tokens that hunspell's Slovenian
dictionary (Debian's hunspell-sl) does not know are not counted either
(English words, program names in software help).
"""
import argparse
import glob
import re
import subprocess
import sys

LETTERS = re.compile(r"[A-Za-zČŠŽĆĐčšžćđ]+")
CODE = str.maketrans({"č": "~", "š": "{", "ž": "`", "ć": "~"})


def key(word):
    return word.lower().translate(CODE).replace("đ", "d`")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("voice")
    ap.add_argument("texts", nargs="+")
    ap.add_argument("--slovenian-only", action="store_true")
    args = ap.parse_args()
    per_dictionary = {}
    order = ["osnovni.dct", "pogosti.dct", "leksikon.dct", "oblike.dct"]
    paths = sorted(glob.glob(f"{args.voice}/slovarji/*.dct"),
                   key=lambda p: (order.index(p.rsplit("/", 1)[1]) if p.rsplit("/", 1)[1] in order else 99, p))
    for path in paths:
        with open(path, encoding="cp1250") as f:
            per_dictionary[path.rsplit("/", 1)[1]] = {line.split("\t")[0].lower() for line in f if "\t" in line}
    tokens = []
    for path in args.texts:
        with open(path, encoding="utf-8") as f:
            tokens += [w for w in LETTERS.findall(f.read()) if len(w) == 1 or not w.isupper()]
    if args.slovenian_only:
        types = sorted({w.lower() for w in tokens})
        unknown = set(subprocess.run(["hunspell", "-d", "sl_SI", "-l"], input="\n".join(types) + "\n",
                                     capture_output=True, text=True, check=True).stdout.split())
        tokens = [w for w in tokens if w.lower() not in unknown]
    held = 0
    by = {name: 0 for name in per_dictionary}
    for w in tokens:
        k = key(w)
        for name, keys in per_dictionary.items():
            if k in keys:
                by[name] += 1
                held += 1
                break
    print(f"{len(tokens)} word tokens, {held} ({100.0 * held / max(len(tokens), 1):.1f} %) in the dictionaries:",
          ", ".join(f"{name} {n}" for name, n in by.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
