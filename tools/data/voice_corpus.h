// The synthetic recordings of the bundled voice: a corpus of words from the
// training part of the pronouncing lexicon, chosen greedily to cover the
// diphones (and as many triphones as fit) of the back end's names, spoken
// by eSpeak NG's Slovenian voice from our own transcription (its phoneme
// input), at one constant pitch, and labelled from its phoneme events.
#pragma once

#include <string>
#include <vector>

#include "ipa.h"

namespace tarvox::data {

struct CorpusOptions {
    double max_seconds = 420;   // stop adding words past this much speech (estimated)
    int words_per_phrase = 4;
    int phrases_per_recording = 3;
    int pitch = 70;             // eSpeak's base pitch (0-100): about 110 Hz, monotone
    std::string voice = "sl";   // eSpeak voice and speaker variant, e.g. "sl+f3"
    int rate = 150;             // words a minute
    bool fillers = true;        // nonsense words for the diphones the words leave out
};

// One recording: phrases (separated by pauses), each a run of words.
using CorpusRecording = std::vector<std::vector<langdata::Phonemes>>;

// Greedy choice and order of words: each step takes the word (joined to the
// phrase or after a pause) that adds most new diphones and triphones per
// phoneme. Deterministic for a given word list.
std::vector<CorpusRecording> SelectCorpus(const std::vector<langdata::Phonemes>& words,
                                          const CorpusOptions& options);

// Renders every recording into `dir` as recNNNN.wav (eSpeak's own rate)
// with its recNNNN.lab, and corpus.txt (one line of words per recording).
// Empty string on success; `dropped` counts phrases whose phoneme events
// did not match the transcription (left out).
std::string RecordCorpus(const std::vector<CorpusRecording>& corpus, const std::string& dir,
                         const CorpusOptions& options, int& dropped);

}  // namespace tarvox::data
