#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The voice's word lists from the Slovenian morphological analyser of
Debian's apertium-hbs-slv (lt-paradigm and lt-proc from lttoolbox):

  paradigme.txt  the noun and adjective forms of the lexicon's words, one
                 lemma a line: "lemma<TAB>form form ..."; forms that the
                 analyser also reads as another lemma or another part of
                 speech, comparatives and superlatives are left out
  glagoli.txt    the verb forms of the lexicon's verbs in the same form: the
                 present, the imperative, the l-participle and the supine
                 without the dual (the passive participle changes the stem's
                 vowel too often),
                 forms that the analyser also reads otherwise left out
  polni_e.txt    masculine nouns in -ec, -ek, -el, -en, -er, -ev, -elj,
                 -enj whose e stays in the genitive (hotel, hotela): a full
                 vowel, not a fleeting schwa
  deleznik_el.txt
                 l-participles in -el whose e stays in the feminine (živel,
                 živela), with their other genders and numbers, but for
                 those of --stem-stressed: stressed on that e, a close one
                 (živél, živéla; sprejél, razumél)
  koncni_l.txt   masculine nouns of two syllables or more in a vowel and l
                 that keep it in the genitive (signal, signala): read [l]

Run by hand when the lexicon or the analyser changes; the outputs are
committed in voices/<voice>/oblike/.

    tools/langdata/scripts/morphology.py LEXICON OUT_DIR [--not-l WORD ...]
                                         [--stem-stressed WORD ...]

--stem-stressed names the l-participles in -el stressed on the stem
(védel, vídel): they go to polni_e.txt, a full e with the rules' stress
(their other forms have it already: védela).
"""
import argparse
import re
import subprocess
import sys

ANALYSER = "/usr/share/apertium/apertium-hbs-slv/slv-hbs.automorf.bin"


def run(cmd, text):
    return subprocess.run(cmd, input=text, capture_output=True, text=True, check=True).stdout


def analyses(words):
    """Every reading (lemma, first tag) of each word."""
    out = run(["lt-proc", "-a", ANALYSER], "\n".join(words) + "\n")
    found = {}
    for m in re.finditer(r"\^([^/$]*)/([^$]*)\$", out):
        readings = []
        for a in m.group(2).split("/"):
            if a.startswith("*"):
                continue
            tags = re.findall(r"<([^>]+)>", a)
            readings.append((a.split("<")[0].lower(), tags[0] if tags else ""))
        found[m.group(1)] = readings
    return found


def paths(patterns):
    for line in run(["lt-paradigm", "-a", ANALYSER], "\n".join(patterns) + "\n").splitlines():
        if ":" not in line or "<" not in line:
            continue
        analysis, form = line.rsplit(":", 1)
        yield analysis.split("<")[0], re.findall(r"<([^>]+)>", analysis), form


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("lexicon")
    ap.add_argument("out_dir")
    ap.add_argument("--not-l", nargs="*", default=[], help="nouns read with [u] all the same")
    ap.add_argument("--stem-stressed", nargs="*", default=[], help="l-participles in -el stressed on the stem")
    args = ap.parse_args()

    words = sorted({line.split("\t")[0] for line in open(args.lexicon, encoding="utf-8") if "\t" in line})
    forms = {}
    for lemma, tags, form in paths(f"{w}<{pos}><*>" for w in words for pos in ("n", "np", "adj")):
        if "comp" in tags or "sup" in tags:
            continue
        forms.setdefault(lemma, set()).add(form)
    verbs = {}
    for lemma, tags, form in paths(f"{w}<vblex><*>" for w in words if re.search(r"(ti|či)$", w)):
        # Dual forms are rare in text and often spelt like a noun
        # (podaljšava, izdelava): left out.
        if {"pres", "imp", "past", "supn"} & set(tags) and "du" not in tags:
            verbs.setdefault(lemma, set()).add(form)
    readings = analyses(sorted({f for fs in (*forms.values(), *verbs.values()) for f in fs}))
    for name, table, parts in (("paradigme.txt", forms, ("n", "np", "adj")), ("glagoli.txt", verbs, ("vblex",))):
        with open(f"{args.out_dir}/{name}", "w", encoding="utf-8") as out:
            for lemma in sorted(table):
                keep = sorted(f for f in table[lemma]
                              if {r[0] for r in readings.get(f, [])} <= {lemma.lower()}
                              and all(r[1] in parts for r in readings.get(f, [])))
                if keep:
                    out.write(lemma + "\t" + " ".join(keep) + "\n")

    nominative, genitive = {}, {}
    for lemma, tags, form in paths(["*<n><*>"]):
        if lemma[:1].isupper() or not ({"mi", "ma"} & set(tags)) or "sg" not in tags:
            continue
        if "nom" in tags:
            nominative[lemma] = form
        if "gen" in tags:
            genitive.setdefault(lemma, set()).add(form)
    full_e, final_l = [], []
    for lemma, form in nominative.items():
        if form + "a" not in genitive.get(lemma, set()):
            continue
        if re.search(r"e(c|k|l|n|r|v|lj|nj)$", form):
            full_e.append(form)
        if re.search(r"[aeiou]l$", form) and sum(c in "aeiou" for c in form) >= 2 and form not in args.not_l:
            final_l.append(form)
    # The l-participles in -el of every verb the analyser knows whose e
    # stays in the feminine (živel, živela; not rekel, rekla).
    # With them their other genders and numbers (živela, živelo, živeli,
    # živele).
    masculine, past = {}, {}
    for lemma, tags, form in paths(["*<vblex><*>"]):
        if "past" in tags:
            past.setdefault(lemma, set()).add(form)
            if "m" in tags and "sg" in tags and form.endswith("el"):
                masculine.setdefault(lemma, set()).add(form)
    participles = sorted({f for lemma, ms in masculine.items() for m in ms if m + "a" in past[lemma]
                          for f in [m] + [m + e for e in "aoie" if m + e in past[lemma]]})
    # A form that is also a verb's or an adjective's keeps the rules' reading;
    # a participle of two verbs (sedel: sedeti, sesti) or also a noun too.
    other = analyses(sorted(set(full_e) | set(final_l) | set(participles)))
    nouns_only = lambda w: all(r[1] in ("n", "np") for r in other.get(w, []))
    one_verb = lambda w: len({r[0] for r in other.get(w, [])}) == 1 and all(r[1] == "vblex" for r in other.get(w, []))
    participles = [w for w in participles if one_verb(w)]
    lists = (("polni_e.txt", [w for w in full_e if nouns_only(w)] + [w for w in participles if w in args.stem_stressed]),
             ("koncni_l.txt", [w for w in final_l if nouns_only(w)]),
             ("deleznik_el.txt", [w for w in participles
                                  if not any(w.startswith(s) and len(w) <= len(s) + 1 for s in args.stem_stressed)]))
    for name, words_ in lists:
        with open(f"{args.out_dir}/{name}", "w", encoding="utf-8") as out:
            for w in sorted(words_):
                out.write(w + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
