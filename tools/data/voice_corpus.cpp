#include "voice_corpus.h"

#include <espeak-ng/speak_lib.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "voice_builder.h"

namespace tarvox::data {
namespace {

constexpr int kMaxNames = 64;

// Back-end names as small numbers for the coverage sets.
class NameCodes {
public:
    int Code(const std::string& name) {
        auto [it, added] = codes_.emplace(name, static_cast<int>(codes_.size()));
        return it->second % kMaxNames;
    }

private:
    std::map<std::string, int> codes_;
};

struct WordUnits {
    std::vector<int> names;  // back-end names of the word alone, without pauses
    int pause = 0;
};

int Di(int a, int b) { return a * kMaxNames + b; }
int Tri(int a, int b, int c) { return (a * kMaxNames + b) * kMaxNames + c; }

// The seconds of speech of a word (estimate for the budget).
double Seconds(const langdata::Phonemes& w) { return 0.085 * static_cast<double>(w.size()); }

// The diphones that a phrase of inventory names adds to `covered`.
std::vector<std::string> Diphones(const langdata::Phonemes& phrase) {
    std::string text;
    for (const std::string& n : phrase) text += n;
    const std::vector<std::string> names = BackEndNames(text);
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) out.push_back(names[i] + " " + names[i + 1]);
    return out;
}

// Diphones that the words leave out (two stressed vowels meeting across a
// word boundary, rare clusters) are recorded in nonsense words: every pair
// of inventory names, after a consonant and after a vowel, gives the
// diphones wanted; a filler grows one name at a time, each time by the
// name that adds most of the still missing ones.
void AddFillers(std::vector<CorpusRecording>& corpus) {
    const std::vector<std::string>& inventory = langdata::VoiceInventory();
    std::set<std::string> covered;
    for (const auto& rec : corpus) {
        langdata::Phonemes all;
        for (const auto& phrase : rec) {
            for (const auto& word : phrase) {
                all.insert(all.end(), word.begin(), word.end());
                all.push_back(" ");  // words meet as the recording says them
            }
            all.push_back("_");
        }
        for (const std::string& d : Diphones(all)) covered.insert(d);
    }
    std::set<std::string> wanted;
    for (const std::string& x : inventory)
        for (const std::string& y : inventory)
            for (const char* left : {"t", "a"})
                for (const char* right : {"a", "n"}) {
                    for (const std::string& d : Diphones({left, x, y, right}))
                        if (!covered.contains(d)) wanted.insert(d);
                    for (const std::string& d : Diphones({left, x, " ", y, right}))
                        if (!covered.contains(d)) wanted.insert(d);
                }
    constexpr std::size_t kFillerLength = 8;
    CorpusRecording rec;
    while (!wanted.empty()) {
        langdata::Phonemes filler;
        std::size_t total = 0;  // wanted diphones in the filler as it stands
        // It starts with the best pair, then grows a name at a time.
        for (const langdata::Phonemes& prefix : {langdata::Phonemes{}, langdata::Phonemes{"a"}})
            for (const std::string& x : inventory)
                for (const std::string& y : inventory)
                    for (const char* suffix : {"", "n", " "}) {
                        langdata::Phonemes start = prefix;
                        start.push_back(x);
                        // " ": the two names end and begin words.
                        if (*suffix == ' ') start.push_back(" ");
                        start.push_back(y);
                        if (*suffix == 'n') start.push_back(suffix);
                        std::size_t gain = 0;
                        for (const std::string& d : Diphones(start)) gain += wanted.contains(d) ? 1 : 0;
                        if (gain > total) total = gain, filler = start;
                    }
        while (filler.size() < kFillerLength) {
            std::size_t best = total;
            const std::string* best_name = nullptr;
            for (const std::string& y : inventory) {
                langdata::Phonemes next = filler;
                next.push_back(y);
                std::size_t gain = 0;
                for (const std::string& d : Diphones(next)) gain += wanted.contains(d) ? 1 : 0;
                if (gain > best) best = gain, best_name = &y;
            }
            if (!best_name) break;
            filler.push_back(*best_name);
            total = best;
        }
        if (filler.empty()) break;  // what is left cannot be reached
        for (const std::string& d : Diphones(filler)) wanted.erase(d);
        rec.push_back({filler});
        if (rec.size() == 3) {
            corpus.push_back(std::move(rec));
            rec.clear();
        }
    }
    if (!rec.empty()) corpus.push_back(std::move(rec));
}

}  // namespace

std::vector<CorpusRecording> SelectCorpus(const std::vector<langdata::Phonemes>& words,
                                          const CorpusOptions& options) {
    NameCodes codes;
    const int pause = codes.Code("_");
    std::vector<WordUnits> units(words.size());
    for (std::size_t w = 0; w < words.size(); ++w) {
        for (const std::string& n : BackEndNames(langdata::Join(words[w])))
            if (n != "_") units[w].names.push_back(codes.Code(n));
    }
    std::vector<char> di(kMaxNames * kMaxNames, 0), tri(kMaxNames * kMaxNames * kMaxNames, 0);
    std::vector<char> used(words.size(), 0);

    // The sequence that appending the word would add: its names, preceded
    // by the names that form new units with it.
    auto gain = [&](const WordUnits& u, int prev2, int prev1) {
        int g = 0;
        int a = prev2, b = prev1;
        for (int c : u.names) {
            if (!di[Di(b, c)]) g += 10;
            if (a >= 0 && !tri[Tri(a, b, c)]) g += 1;
            a = b;
            b = c;
        }
        if (!di[Di(b, pause)]) g += 10;  // the word could end a phrase
        if (a >= 0 && !tri[Tri(a, b, pause)]) g += 1;
        return g;
    };
    auto take = [&](const WordUnits& u, int& prev2, int& prev1) {
        for (int c : u.names) {
            di[Di(prev1, c)] = 1;
            if (prev2 >= 0) tri[Tri(prev2, prev1, c)] = 1;
            prev2 = prev1;
            prev1 = c;
        }
    };
    auto close = [&](int prev2, int prev1) {
        di[Di(prev1, pause)] = 1;
        if (prev2 >= 0) tri[Tri(prev2, prev1, pause)] = 1;
        tri[Tri(prev1, pause, pause)] = 1;
    };

    std::vector<CorpusRecording> corpus;
    double seconds = 0;
    int prev2 = pause, prev1 = pause;  // the recording starts with pauses
    tri[Tri(pause, pause, pause)] = 1;
    di[Di(pause, pause)] = 1;
    CorpusRecording rec;
    while (seconds < options.max_seconds) {
        const bool can_join = !rec.empty() && static_cast<int>(rec.back().size()) < options.words_per_phrase;
        const bool can_pause = rec.empty() || static_cast<int>(rec.size()) < options.phrases_per_recording;
        double best = 0;
        std::size_t best_w = words.size();
        bool best_join = false;
        for (std::size_t w = 0; w < words.size(); ++w) {
            if (used[w] || units[w].names.empty()) continue;
            const double len = static_cast<double>(units[w].names.size()) + 4.0;
            if (can_join) {
                const double g = gain(units[w], prev2, prev1) / len;
                if (g > best) best = g, best_w = w, best_join = true;
            }
            if (can_pause) {
                // After a pause: the phrase so far ends, the word starts one.
                const double g = (gain(units[w], pause, pause) + (rec.empty() || di[Di(prev1, pause)] ? 0 : 10)) / len;
                if (g > best) best = g, best_w = w, best_join = false;
            }
        }
        if (best_w == words.size()) {
            if (!can_pause && !rec.empty()) {  // the recording is full: start another
                close(prev2, prev1);
                corpus.push_back(std::move(rec));
                rec.clear();
                prev2 = prev1 = pause;
                continue;
            }
            break;
        }
        used[best_w] = 1;
        seconds += Seconds(words[best_w]);
        if (!best_join) {
            if (!rec.empty()) close(prev2, prev1);
            prev2 = prev1 = pause;
            rec.emplace_back();
        }
        rec.back().push_back(words[best_w]);
        take(units[best_w], prev2, prev1);
    }
    if (!rec.empty()) corpus.push_back(std::move(rec));
    if (options.fillers) AddFillers(corpus);
    return corpus;
}

namespace {

// eSpeak's phoneme for a back-end name (closures are not spoken apart).
std::string EspeakName(const std::string& name) {
    static const std::map<std::string, std::string> map = {
        {"a:", "'a:"}, {"e:", "'e:"}, {"E:", "'E:"}, {"i:", "'i:"}, {"o:", "'o:"},
        {"O:", "'O:"}, {"u:", "'u:"}, {"@:", "'@:"}, {"I", "j"},     {"U", "w"},
        {"h", "x"},    {"w", "w"},    {"W", "w"}};
    const auto it = map.find(name);
    return it == map.end() ? name : it->second;
}

bool IsClosure(const std::string& n) { return n == "-" || n == "="; }

struct Synth {
    std::vector<short> audio;
    std::vector<std::pair<int, std::string>> events;  // sample, phoneme
    int end = 0;
};
// eSpeak's callback has no user pointer of its own outside the events;
// the synthesis in progress is reached through this one pointer.
Synth* g_current = nullptr;

int Callback(short* wav, int n, espeak_EVENT* ev) {
    if (!g_current) return 1;
    if (wav && n > 0) g_current->audio.insert(g_current->audio.end(), wav, wav + n);
    for (; ev && ev->type != espeakEVENT_LIST_TERMINATED; ++ev) {
        if (ev->type == espeakEVENT_PHONEME) {
            char name[9] = {};
            std::copy(ev->id.string, ev->id.string + 8, name);
            g_current->events.emplace_back(ev->sample, name);
        } else if (ev->type == espeakEVENT_MSG_TERMINATED) {
            g_current->end = ev->sample;
        }
    }
    return 0;
}

double Rms(const std::vector<short>& a, long from, long to) {
    double e = 0;
    from = std::max(0L, from);
    to = std::min(static_cast<long>(a.size()), to);
    if (to <= from) return 0;
    for (long i = from; i < to; ++i) e += static_cast<double>(a[static_cast<std::size_t>(i)]) * a[static_cast<std::size_t>(i)];
    return std::sqrt(e / static_cast<double>(to - from));
}

}  // namespace

std::string RecordCorpus(const std::vector<CorpusRecording>& corpus, const std::string& dir,
                         const CorpusOptions& options, int& dropped) {
    dropped = 0;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 200, nullptr,
                                       espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) return "eSpeak NG could not be started";
    if (espeak_SetVoiceByName(options.voice.c_str()) != EE_OK)
        return "eSpeak NG has no voice \"" + options.voice + "\"";
    espeak_SetSynthCallback(Callback);
    espeak_SetParameter(espeakRATE, options.rate, 0);
    espeak_SetParameter(espeakPITCH, options.pitch, 0);
    espeak_SetParameter(espeakRANGE, 0, 0);
    espeak_SetParameter(espeakVOLUME, 100, 0);

    const long pause_len = rate * 70 / 1000;  // 70 ms of silence per pause label
    std::ofstream list(dir + "/corpus.txt", std::ios::binary);
    int number = 0;
    for (const CorpusRecording& rec : corpus) {
        // The whole recording through unit conversion, then cut at pauses.
        std::string text;
        for (const auto& phrase : rec) {
            for (const auto& word : phrase) text += langdata::Join(word) + " ";
            text += "_ ";
        }
        const std::vector<std::string> names = BackEndNames("_ " + text);
        std::vector<short> audio;
        std::vector<Label> labels;
        auto add_label = [&](const std::string& name, long from, long to) {
            labels.push_back({static_cast<double>(from) / rate, static_cast<double>(to) / rate, name});
        };
        std::size_t i = 0;
        while (i < names.size()) {
            if (names[i] == "_") {
                add_label("_", static_cast<long>(audio.size()), static_cast<long>(audio.size()) + pause_len);
                audio.insert(audio.end(), static_cast<std::size_t>(pause_len), 0);
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < names.size() && names[j] != "_") ++j;
            // Phrase names[i, j): eSpeak speaks every name but the closures.
            std::string input = "[[";
            std::vector<std::size_t> spoken;
            for (std::size_t k = i; k < j; ++k)
                if (!IsClosure(names[k])) {
                    // "|" keeps neighbours apart ("t|s" is not the affricate "ts").
                    if (!spoken.empty()) input += "|";
                    input += EspeakName(names[k]);
                    spoken.push_back(k);
                }
            input += "]]";
            Synth synth;
            g_current = &synth;
            espeak_Synth(input.c_str(), input.size() + 1, 0, POS_CHARACTER, 0,
                         espeakCHARS_UTF8 | espeakPHONEMES, nullptr, nullptr);
            espeak_Synchronize();
            g_current = nullptr;
            std::vector<std::pair<int, std::string>> ev;
            for (const auto& e : synth.events)
                if (!e.second.empty() && e.second[0] != '_') ev.push_back(e);
            long phrase_end = static_cast<long>(synth.audio.size());
            for (const auto& e : synth.events)
                if (!ev.empty() && e.first > ev.back().first && e.second[0] == '_') {
                    phrase_end = e.first;
                    break;
                }
            if (ev.size() != spoken.size() || synth.audio.empty()) {
                if (std::getenv("TARVOX_CORPUS_DEBUG")) {
                    std::fprintf(stderr, "dropped %s:", input.c_str());
                    for (const auto& e : ev) std::fprintf(stderr, " %s", e.second.c_str());
                    std::fprintf(stderr, "\n");
                }
                ++dropped;
                i = j;
                continue;
            }
            // Segment starts in the phrase audio; closures carved out of
            // the silence before their release.
            std::vector<long> start(j - i + 1, 0);
            for (std::size_t s = 0; s < spoken.size(); ++s) start[spoken[s] - i] = ev[s].first;
            start[j - i] = phrase_end;
            double loud = 1;
            for (long s = 0; s + 44 <= static_cast<long>(synth.audio.size()); s += 44)
                loud = std::max(loud, Rms(synth.audio, s, s + 44));
            for (std::size_t k = i; k < j; ++k) {
                if (!IsClosure(names[k])) continue;
                const long release = start[k + 1 - i];
                const long prev_start = k > i ? start[k - 1 - i] : 0;
                const long limit = k > i ? prev_start + (release - prev_start) * 3 / 10 : std::max(0L, release - rate * 80 / 1000);
                long c = release;
                const double threshold = loud * (names[k] == "=" ? 0.12 : 0.04);
                while (c - 44 >= limit && Rms(synth.audio, c - 44, c) < threshold) c -= 44;
                if (release - c < rate * 15 / 1000)
                    c = std::max(limit, release - std::min<long>(rate * 40 / 1000, (release - prev_start) * 4 / 10));
                start[k - i] = c;
            }
            // The phrase's own leading silence joins the pause before it;
            // its trailing silence the pause after it.
            const long base = static_cast<long>(audio.size());
            const long first = start[0];
            if (!labels.empty()) labels.back().end = static_cast<double>(base + first) / rate;
            for (std::size_t k = i; k < j; ++k)
                add_label(names[k], base + start[k - i], base + start[k + 1 - i]);
            audio.insert(audio.end(), synth.audio.begin(), synth.audio.end());
            // Labels are contiguous: the next pause begins where the phrase ends.
            const long tail = static_cast<long>(synth.audio.size()) - phrase_end;
            if (tail > 0) {
                add_label("_", base + phrase_end, static_cast<long>(audio.size()));
                // The pause label of the unit conversion that follows takes
                // the rest; merge so that the pause count stays.
                if (j < names.size() && names[j] == "_") {
                    labels.back().end = static_cast<double>(audio.size() + static_cast<std::size_t>(pause_len)) / rate;
                    audio.insert(audio.end(), static_cast<std::size_t>(pause_len), 0);
                    j += 1;
                }
            }
            i = j;
        }
        // Write the recording and its labels.
        char stem[32];
        std::snprintf(stem, sizeof stem, "rec%04d", number++);
        const std::string base = dir + "/" + stem;
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> wav(sf_open((base + ".wav").c_str(), SFM_WRITE, &info), sf_close);
        if (!wav) return base + ".wav: " + sf_strerror(nullptr);
        if (sf_write_short(wav.get(), audio.data(), static_cast<sf_count_t>(audio.size())) !=
            static_cast<sf_count_t>(audio.size()))
            return base + ".wav: write failed";
        std::ofstream lab(base + ".lab", std::ios::binary);
        lab << "# " << stem << ": start and end in seconds, back-end phoneme name\n";
        char line[96];
        for (const Label& l : labels) {
            std::snprintf(line, sizeof line, "%.6f %.6f %s\n", l.start, l.end, l.name.c_str());
            lab << line;
        }
        if (!lab) return base + ".lab: write failed";
        list << stem << "\t" << text << "\n";
    }
    espeak_Terminate();
    return list ? std::string() : dir + "/corpus.txt: write failed";
}

}  // namespace tarvox::data
