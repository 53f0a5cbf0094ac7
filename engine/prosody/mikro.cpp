#include "prosody/mikro.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "base/diag.h"
#include "lexicon/char_classes.h"
#include "lexicon/inventory.h"
#include "prosody/stage_profile.h"

namespace tarvox {

using prosody::Saturate16;

namespace {

constexpr char kCountMessage[] =
    "\nMikro: : Napaka v resource datoteki!\nRazlika v stevilu fonemov in pripadajocih konstant!\n";

bool Missing(std::string_view key) {
    ReportError("Napaka: Ime " + std::string(key) + " ne obstaja\n");
    return false;
}

// Entry i of a list, 0 beyond its end.
int At(const std::vector<std::int32_t>& v, std::size_t i) {
    return i < v.size() ? v[i] : 0;
}
int At(const std::vector<std::int32_t>& v, int i) {
    return i >= 0 ? At(v, static_cast<std::size_t>(i)) : 0;
}

long long Trunc(double v) {
    return static_cast<long long>(v);
}

// Durations and pitches are worked on in int; far beyond what the 16-bit
// output fields hold, they stop growing.
constexpr long long kWorkLimit = 1 << 24;
int Work(long long v) {
    return static_cast<int>(std::clamp(v, -kWorkLimit, kWorkLimit));
}
int Work(double v) {
    return std::isfinite(v) ? Work(Trunc(std::clamp<double>(v, -kWorkLimit, kWorkLimit))) : 0;
}

// A pause scaled by the rate stays within what the waveform generator takes.
constexpr int kLongestPause = 1500;

bool Contains(const std::string& set, char c) {
    return set.find(c) != std::string::npos;
}

}  // namespace

// --- profile --------------------------------------------------------------

int MikroProfile::Read(Profile& p) {
    auto text = [&](const char* key, std::string& out, std::size_t limit) {
        if (p.GetString(key, out) < 0) return Missing(key);
        if (out.size() > limit) out.resize(limit);
        return true;
    };
    auto quoted = [&](const char* key, std::string& out) {
        const char* raw = p.Find(key);
        if (!raw) return Missing(key);
        if (!toCstring(raw, out)) {
            ReportError("Napaka pri pretvorbi (toCstring)\n");
            return false;
        }
        return true;
    };
    auto longs = [&](const char* key, std::vector<std::int32_t>& out) {
        return p.GetLongArray(key, ' ', out) >= 0 || Missing(key);
    };
    auto index = [&](const char* key, char& c, std::size_t* where) {
        std::int32_t v = 0;
        if (p.GetLong(key, v) < 0 || v < 0 || static_cast<std::size_t>(v) >= punctuation.size())
            return Missing(key);
        c = punctuation[static_cast<std::size_t>(v)];
        if (where) *where = static_cast<std::size_t>(v);
        return true;
    };
    auto chars = [&](const char* key, std::string& out) {
        std::vector<std::int32_t> v;
        if (!longs(key, v)) return false;
        out.clear();
        for (std::int32_t i : v)
            if (i >= 0 && static_cast<std::size_t>(i) < punctuation.size())
                out.push_back(punctuation[static_cast<std::size_t>(i)]);
        return true;
    };
    auto reals = [&](const char* key, std::array<float, 6>& out, bool& six) {
        std::vector<double> v;
        if (p.GetNumberArray(key, ' ', 0, &v, nullptr, nullptr) < 0) return Missing(key);
        six = v.size() == 6;
        for (std::size_t i = 0; i < 6 && i < v.size(); ++i) out[i] = static_cast<float>(v[i]);
        return true;
    };

    if (!text("Vhodna_Datoteka", input_file, 256) || !text("Izhodna_Datoteka", output_file, 256))
        return -1;
    std::vector<const char*> items;
    if (p.GetLong("Hitrost", mode) < 0 && !Missing("Hitrost")) return -1;
    if (p.GetDouble("Hitrost_Fina_nastavitev", fine) < 0 && !Missing("Hitrost_Fina_nastavitev"))
        return -1;
    if (p.SplitItems("Nabor_fonemov", '\t', items) < 0 && !Missing("Nabor_fonemov")) return -1;
    if (items.size() > kMaxPhonemes) items.resize(kMaxPhonemes);
    names.assign(items.begin(), items.end());
    if (!text("Razvrstitev_fonemov", classes, 4096) || !quoted("Nabor_locil", punctuation) ||
        !index("Presledek", separator, nullptr) ||
        !index("Vsiljeni_presledek", forced_space, nullptr) ||
        !index("Meja_med_besedami", word_boundary, &word_boundary_index) ||
        !chars("Koncna_locila", final_marks) || !chars("Locila", marks) ||
        !chars("Posebna_locila", special_marks) || !quoted("Presledki", blanks) ||
        !text("Naglasna_znamenja", stress_marks, 4096) ||
        !longs("Osnovna_dolzina_v_bazi", base_duration) ||
        !longs("Dolzina_Sogl_VCV_Izmerjena", vcv) || !longs("Dolzina_Sogl_CC_Izmerjena", cc) ||
        !longs("Dolzina_Nenagl_Sam", unstressed_duration) ||
        !longs("Dolzina_Nagl_Sam", stressed_duration) || !longs("Dolzina_Pavz", pause) ||
        !longs("Daljsanje_Pocasen_govor", lengthening) ||
        !longs("Krajsanje_Hiter_govor", shortening) || !longs("Omejitev_Dolzine", minimum) ||
        !longs("Nor_Ben_Dolzine", ladder_centre) || !longs("Osnovna_visina_v_bazi", base_pitch) ||
        !longs("Visina_Nenagl_Sam", unstressed_pitch) || !longs("Visina_Nagl_Sam", stressed_pitch))
        return -1;
    bool six[3] = {};
    if (!reals("TA_Normalno", ta[0], six[0]) || !reals("TA_Hitro", ta[1], six[1]) ||
        !reals("TA_Pocasi", ta[2], six[2]))
        return -1;
    std::vector<std::int32_t> constants;
    if (!longs("Konstante", constants)) return -1;
    k.fill(0);
    std::copy_n(constants.begin(), std::min(constants.size(), kConstants), k.begin());
    // The logarithmic rate scale: optional, and off unless the ratio is a
    // number above 1.
    speed_ratio = 0;
    pause_exponent = 1;
    shortest = 0;
    double value = 0;
    if (p.GetDouble("Hitrost_razmerje", value) >= 0 && std::isfinite(value) && value > 1)
        speed_ratio = std::min(value, 100.0);
    if (p.GetDouble("Hitrost_pavze", value) >= 0 && std::isfinite(value))
        pause_exponent = std::clamp(value, 0.0, 4.0);
    std::int32_t ms = 0;
    if (p.GetLong("Hitrost_najkrajsa", ms) >= 0) shortest = std::clamp<std::int32_t>(ms, 0, 1000);

    const std::size_t n = names.size();
    const bool counts_match =
        classes.size() == n && base_duration.size() == n && vcv.size() == n && cc.size() == n &&
        base_pitch.size() == n && lengthening.size() == n && shortening.size() == n &&
        pause.size() == punctuation.size() && pause.size() <= kMaxPauses &&
        stressed_duration.size() == stressed_pitch.size() &&
        unstressed_duration.size() == unstressed_pitch.size() && six[0] && six[1] && six[2];
    if (!counts_match) {
        ReportError(kCountMessage);
        return -1;
    }
    return 0;
}

Tempo TempoOfRate(int rate) {
    const int r = std::clamp(rate, -10, 10);
    if (r == 0) return {0, 0};
    if (r >= -4 && r <= 4) return {0, static_cast<double>(Trunc((r + 4) * 12.5))};
    if (r >= 5) return {1, static_cast<double>(50 + Trunc((r - 5) * 10.0))};
    return {2, static_cast<double>(Trunc((r + 10) * 20.0))};
}

double SpeedOfRate(double rate, double ratio) {
    const double r = std::isfinite(rate) ? std::clamp(rate, -10.0, 10.0) : 0.0;
    return ratio > 1 ? std::pow(ratio, r / 10.0) : 1.0;
}

void ScaleDurations(std::vector<int>& durations, std::span<const int> elasticity, double factor,
                    int shortest) {
    const std::size_t n = durations.size();
    double total = 0, weighted = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double e = i < elasticity.size() ? std::max(elasticity[i], 0) : 0;
        total += durations[i];
        weighted += e * durations[i];
    }
    if (total <= 0 || !(factor > 0)) return;
    const double mean = weighted / total;
    std::vector<double> scaled(n);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double e = i < elasticity.size() ? std::max(elasticity[i], 0) : 0;
        const double power = mean > 0 ? e / mean : 1.0;
        scaled[i] = std::max(durations[i], 0) * std::pow(factor, power);
        sum += scaled[i];
    }
    const double exact = sum > 0 ? factor * total / sum : 0.0;
    for (std::size_t i = 0; i < n; ++i)
        durations[i] = std::max(shortest, Work(scaled[i] * exact + 0.5));
}

// --- word records -----------------------------------------------------------

int MikroWord::SyllableOf(std::size_t i) const {
    for (std::size_t s = 0; s < syllables.size(); ++s)
        if (static_cast<int>(i) >= syllables[s].first && static_cast<int>(i) <= syllables[s].last)
            return static_cast<int>(s);
    return syllables.empty() ? -1 : static_cast<int>(syllables.size()) - 1;
}

int MikroWord::FirstStressed() const {
    for (std::size_t s = 0; s < syllables.size(); ++s)
        if (syllables[s].stress != 0) return static_cast<int>(s);
    return -1;
}

// --- the object ---------------------------------------------------------------

TMikro::TMikro(std::string_view profile_path, const Phonology& phonology) : phonology_(phonology) {
    const std::optional<bool> enciphered = prosody::ProfileEnciphered(profile_path);
    if (!enciphered) {
        ReportError(prosody::CouldNotFindMessage("TMikro", profile_path));
        throw -1;
    }
    auto fail = [](const char* why) {
        ReportError(why);
        ReportError("TMikro: Constructor failed to create class!");
        throw -1;
    };
    try {
        profile_ = std::make_unique<Profile>(profile_path, *enciphered);
    } catch (const std::bad_alloc&) {
        fail("TMikro: Profile can not be created!");
    }
    if (!profile_->IsLoaded()) fail("TMikro: Profile could not be created properly!");
    if (!phonology_.inventory || p_.Read(*profile_) != 0) {
        ReportError("Napaka: init_mikro_profile");
        fail("TMikro: Profile can not be read!");
    }
    mode_ = std::clamp<int>(p_.mode, 0, 2);
    fine_ = p_.fine;
}

TMikro::~TMikro() = default;

void TMikro::Reset(int word_boundary_pause) {
    if (p_.word_boundary_index < p_.pause.size())
        p_.pause[p_.word_boundary_index] = word_boundary_pause;
}

void TMikro::SetTempo(int rate) {
    if (p_.speed_ratio > 1) {
        SetRate(rate);
        return;
    }
    speed_ = 1;
    const Tempo t = TempoOfRate(rate);
    mode_ = t.mode;
    fine_ = t.fine;
    if (std::clamp(rate, -10, 10) != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "hitrost %ld hitrost_fina %ld", static_cast<long>(mode_),
                      static_cast<long>(fine_));
        Trace(text);
    }
}

void TMikro::SetRate(double rate) {
    if (!(p_.speed_ratio > 1)) {
        IMicroProsody::SetRate(rate);
        return;
    }
    mode_ = 0;
    fine_ = 0;
    speed_ = SpeedOfRate(rate, p_.speed_ratio);
    if (speed_ != 1) {
        char text[64];
        std::snprintf(text, sizeof text, "hitrost x%.3f", speed_);
        Trace(text);
    }
}

int TMikro::ScaledPause(int pause) const {
    if (speed_ == 1 || pause <= 0) return pause;
    const double scaled = pause * std::pow(1.0 / speed_, p_.pause_exponent);
    return std::min(Work(scaled + 0.5), std::max(pause, kLongestPause));
}

int TMikro::Run(const char* transcription, int) {
    records_.clear();
    const std::string_view in =
        transcription ? std::string_view(transcription) : std::string_view();
    try {
        records_.reserve(in.size() + 5);
    } catch (const std::bad_alloc&) {
        ReportError(
            "\nMikro: : can not allocate sufficient memory space! \nIzhodni buffer prevelik!\n\n");
        ReportError("Napaka pri inicializaciji mikroprozodike!");
        return -1;
    }
    jitter_.seed(std::mt19937::default_seed);
    bool ok = true;
    try {
        std::size_t pos = 0;
        std::string phrase;
        std::vector<MikroWord> words;
        while (ok && NextPhrase(in, pos, phrase)) {
            ok = Process(phrase, in.size(), words);
            if (ok) Output(words);
        }
    } catch (const std::bad_alloc&) {
        ReportError("Mikro: can not allocate sufficient memory space! \nStavek predolg!");
        ok = false;
    }
    if (!ok) {
        records_.clear();
        ReportError("Napaka pri izvajanju mikroprozodike!");
        return -2;
    }
    return 0;
}

std::vector<std::string> TMikro::Phrases(std::string_view text) const {
    std::vector<std::string> out;
    std::size_t pos = 0;
    std::string phrase;
    while (NextPhrase(text, pos, phrase)) out.push_back(phrase);
    return out;
}

bool TMikro::NextPhrase(std::string_view in, std::size_t& pos, std::string& phrase) const {
    const char sep = p_.separator;
    auto blank = [&](char c) { return Contains(p_.blanks, c); };
    auto punct = [&](char c) { return Contains(p_.punctuation, c); };
    auto mark = [&](char c) { return Contains(p_.marks, c); };
    auto ends_outside = [&] { return !phrase.empty() && !punct(phrase.back()); };

    while (pos < in.size() && (blank(in[pos]) || punct(in[pos]))) ++pos;
    if (pos >= in.size()) return false;
    phrase.clear();
    bool ended = false;
    for (; pos < in.size(); ++pos) {
        char c = in[pos];
        if (Contains(p_.final_marks, c)) {
            ended = true;
            break;
        }
        if (blank(c)) c = sep;
        if (c == sep) {
            // one separator for a run, none right after punctuation
            if (ends_outside()) phrase.push_back(sep);
        } else if (mark(c)) {
            if (ends_outside()) phrase.push_back(sep);
            phrase.push_back(c);
        } else {
            if (!phrase.empty() && mark(phrase.back())) phrase.push_back(sep);
            phrase.push_back(c);
        }
    }
    for (; pos < in.size() && (blank(in[pos]) || punct(in[pos])); ++pos) {
        if (!mark(in[pos])) continue;
        if (ends_outside()) phrase.push_back(sep);
        phrase.push_back(in[pos]);
    }
    if (!ended && !phrase.empty() && !p_.final_marks.empty()) {
        if (ends_outside()) phrase.push_back(sep);
        phrase.push_back(p_.final_marks[0]);
    }
    return true;
}

bool TMikro::Process(std::string_view phrase, std::size_t input_length,
                     std::vector<MikroWord>& words) {
    words.clear();
    for (std::size_t i = 0; i < phrase.size();) {
        if (phrase[i] == p_.separator) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < phrase.size() && phrase[j] != p_.separator) ++j;
        MikroWord w;
        w.text.assign(phrase.substr(i, std::min(j - i, MikroWord::kMaxText)));
        w.kind = Contains(p_.marks, w.text[0]) ? 'l' : 'b';
        words.push_back(std::move(w));
        i = j;
    }
    std::size_t phonemes = 0;
    for (MikroWord& w : words) {
        if (w.kind == 'l') {
            Punctuation(w);
        } else {
            Analyse(w);
            phonemes += w.phonemes.size();
        }
    }
    SetPositions(words);
    if (phonemes > input_length) {
        ReportError("Func. mikro(): Premajhen izhodni medpomnilnik!\n");
        return false;
    }
    for (MikroWord& w : words) {
        if (w.kind != 'b' || w.phonemes.empty()) continue;
        Durations(w);
        Speed(w);
        Normalise(w);
        Limits(w);
        Rate(w);
        Pitch(w);
    }
    return true;
}

void TMikro::Punctuation(MikroWord& w) const {
    const std::size_t first = w.text.find_first_of(p_.marks);
    if (first == std::string::npos) {
        w.mark = '.';
        w.pause = At(p_.pause, std::size_t{0});
    } else {
        w.mark = w.text[first];
        for (std::size_t i = first + 1; i < w.text.size(); ++i)
            if (Contains(p_.special_marks, w.text[i]) && w.text[i] != w.mark) w.mark = w.text[i];
        const std::size_t at = p_.marks.find(w.mark);
        w.pause = At(p_.pause, at == std::string::npos ? 0 : at + 1);
    }
    if (mode_ == 1) w.pause = w.pause * p_.k[kPauseScaleFast] / 100;
    if (mode_ == 2) w.pause = w.pause * p_.k[kPauseScaleSlow] / 100;
    w.pause = ScaledPause(w.pause);
}

void TMikro::Analyse(MikroWord& w) const {
    for (int i : phonology_.inventory->Parse(w.text))
        if (static_cast<std::size_t>(i) < p_.names.size() &&
            w.phonemes.size() < MikroProfile::kMaxPhonemes)
            w.phonemes.push_back(i);
    if (w.phonemes.empty()) return;
    bool sonority_ok = true;
    if (phonology_.syllables) {
        sonority_ok = phonology_.syllables->DolociZvocnost(w.phonemes, w.sonority);
    } else {
        w.sonority = phonology_.inventory->Sonorities(w.phonemes);
    }
    if (!sonority_ok) ReportError("DolociZvocnost() called from micro(cBeseda = " + w.text + ")");
    DeljenjeNaZloge(w.sonority, w.syllables);
    if (w.syllables.empty())
        w.syllables.push_back({0, 0, static_cast<int>(w.phonemes.size()) - 1, 0});

    int stressed = 0;
    for (Syllable& s : w.syllables) {
        s.stress = 0;
        const std::size_t nucleus = static_cast<std::size_t>(
            std::clamp<int>(s.nucleus, 0, static_cast<int>(w.phonemes.size()) - 1));
        const std::string& name = p_.names[static_cast<std::size_t>(w.phonemes[nucleus])];
        if (name.size() >= 2) {
            const std::size_t at = p_.stress_marks.find(name[1]);
            if (at != std::string::npos) s.stress = static_cast<int>(at) + 1;
        }
        stressed += s.stress != 0;
    }
    const bool one_last = stressed == 1 && w.syllables.back().stress != 0;
    w.word_class = w.syllables.size() == 1 || one_last ? 'o' : 'b';
    w.accent_type = AccentType(w);
}

void TMikro::SetPositions(std::vector<MikroWord>& words) const {
    for (std::size_t i = 0; i < words.size(); ++i) {
        MikroWord& w = words[i];
        if (w.kind != 'b') continue;
        const MikroWord* next = i + 1 < words.size() ? &words[i + 1] : nullptr;
        if (next && next->kind == 'l') {
            switch (static_cast<unsigned char>(next->mark)) {
                case ',':
                case '-':
                case ';':
                case '|':
                case 0x80:
                    w.position = 'k';
                    break;
                case '!':
                case '$':
                case '.':
                case '/':
                case '?':
                    w.position = 'K';
                    break;
                default:
                    ReportError("Napaka pri polozaju besede!\nLocil se ne da enostavno dodajat!");
                    w.position = 's';
            }
        } else if (!next) {
            w.position = 'K';
        } else if (i == 0) {
            w.position = 'Z';
        } else {
            w.position = words[i - 1].kind == 'l' ? 'z' : 's';
        }
    }
}

int TMikro::StressedClass(char c, const char* what) const {
    static constexpr char kClasses[] = "aeEioOu@";
    const char* at = c ? std::strchr(kClasses, c) : nullptr;
    if (at) return static_cast<int>(at - kClasses);
    ReportError(std::string(what) + c + ")");
    return 0;
}

int TMikro::UnstressedClass(char c, const char* what) const {
    static constexpr char kClasses[] = "aeiou@";
    // Phoneme names are ASCII SAMPA: lower-cased as such, never through the
    // letter table, where "@" (the schwa) is the code of a capital letter.
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const char* at = lower ? std::strchr(kClasses, lower) : nullptr;
    if (at) return static_cast<int>(at - kClasses);
    ReportError(std::string(what) + c + ")");
    return 0;
}

void TMikro::Durations(MikroWord& w) const {
    const std::size_t n = w.phonemes.size();
    w.duration.assign(n, 0);
    w.column.assign(n, 0);
    const int first_stressed = w.FirstStressed();
    const int syllables = static_cast<int>(w.syllables.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto p = static_cast<std::size_t>(w.phonemes[i]);
        if (!w.IsVowel(i)) {
            const bool before_consonant = i + 1 < n && !w.IsVowel(i + 1);
            w.duration[i] = before_consonant ? At(p_.cc, p) : At(p_.vcv, p);
            continue;
        }
        const int s = w.SyllableOf(i);
        const char first = p_.names[p][0];
        if (s >= 0 && w.syllables[static_cast<std::size_t>(s)].stress != 0) {
            const int c = StressedClass(first, "Napaka pri  dolzinah naglasenih samoglasnikov (");
            const int t = w.word_class == 'b' ? (s == 0 ? 1 : 2) : 3;
            w.column[i] = t;
            w.duration[i] = At(p_.stressed_duration, (t - 1) + 4 * c);
        } else {
            const int c =
                UnstressedClass(first, "Napaka pri  dolzinah nenaglasenih samoglasnikov (");
            int t;
            if (first_stressed >= 0 && s < first_stressed)
                t = w.IsVowel(n - 1) ? 1 : 2;
            else
                t = syllables == 2 ? 3 : 4;
            w.duration[i] = At(p_.unstressed_duration, (t - 1) + 4 * c);
        }
    }
}

void TMikro::Speed(MikroWord& w) const {
    if (mode_ != 1 && mode_ != 2) return;
    for (std::size_t i = 0; i < w.phonemes.size(); ++i) {
        const auto p = static_cast<std::size_t>(w.phonemes[i]);
        const double d = w.duration[i];
        const double factor = mode_ == 1 ? 100.0 - At(p_.shortening, p) * p_.k[kShorteningScale] / 100.0
                                         : At(p_.lengthening, p) * p_.k[kLengtheningScale] / 100.0 + 100.0;
        w.duration[i] = Work(factor * d / 100.0 + 0.5);
    }
}

void TMikro::Normalise(MikroWord& w) const {
    const std::size_t n = w.phonemes.size();
    long long total = 0;
    for (int d : w.duration) total += d;
    const auto& ta = p_.ta[static_cast<std::size_t>(mode_)];
    std::size_t pair = 2;  // s
    if (w.position == 'Z' || w.position == 'z') pair = 0;
    if (w.position == 'K' || w.position == 'k') pair = 4;
    const float syllables = static_cast<float>(w.syllables.size());
    float target = ta[pair] + ta[pair + 1] * std::log(syllables);
    if (fine_ != 0) target -= static_cast<float>((49.0 - fine_) / 25.0);
    if (total <= 0 || target == 0.0f || !std::isfinite(target)) return;
    const float rate = 1000.0f * syllables / static_cast<float>(total) / target;
    const float gain = static_cast<float>(p_.k[kRateGainNormal + static_cast<std::size_t>(mode_)]);
    const float correction = std::min(50.0f, (rate - 1.0f) * gain);
    const double q = (100.0 + correction) / 100.0;
    const double wanted = q * static_cast<double>(total);

    switch (p_.k[kRateMethod]) {
        case 2:
            for (int& d : w.duration) d = Work(d * (100.0 + correction) / 100.0 + 0.5);
            break;
        case 0: {
            std::vector<double> e(n);
            double weighted = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const auto p = static_cast<std::size_t>(w.phonemes[i]);
                e[i] =
                    correction >= 0 ? At(p_.lengthening, p) / 100.0 : -At(p_.shortening, p) / 100.0;
                weighted += e[i] * w.duration[i];
            }
            const double elasticity = weighted / static_cast<double>(total);
            if (elasticity == 0) break;  // nothing elastic: durations stay
            for (std::size_t i = 0; i < n; ++i)
                w.duration[i] = Work(w.duration[i] * (1.0 + e[i] * (q - 1.0) / elasticity) + 0.5);
            break;
        }
        case 1: {
            std::vector<std::array<int, 400>> ladders(n);
            std::array<long long, 400> sums{};
            for (std::size_t i = 0; i < n; ++i) {
                const auto p = static_cast<std::size_t>(w.phonemes[i]);
                const int centre = At(p_.ladder_centre, p);
                ladders[i] =
                    DurationLadder(centre, centre * At(p_.shortening, p) / 100.0 / 25.0,
                                   centre * At(p_.lengthening, p) / 100.0 / 25.0, w.duration[i]);
                for (std::size_t j = 0; j < 400; ++j) sums[j] += ladders[i][j];
            }
            const auto rung = static_cast<std::size_t>(ChooseRung(sums, wanted));
            for (std::size_t i = 0; i < n; ++i) w.duration[i] = ladders[i][rung];
            break;
        }
        default:
            break;  // no such method: durations stay
    }
}

namespace {

// Rebuilding a ladder rung by rung, each rung trunc(neighbour + t): for a
// whole n that is n + floor(t) while n + t >= 0 and n + ceil(t) below. The
// walk is monotone (floor(t) < 0 implies ceil(t) <= 0, ceil(t) > 0 implies
// floor(t) >= 0), so it changes between the two increments at most once and
// every rung has a closed form.
class RoundedWalk {
  public:
    explicit RoundedWalk(double t)
        : down_(static_cast<int>(std::floor(t))),
          up_(static_cast<int>(std::ceil(t))),
          threshold_(static_cast<int>(std::ceil(-t))) {}

    // Writes the `count` rungs after `from` to rung[first], rung[first +
    // stride], ...
    void Fill(int from, std::array<int, 400>& rung, int first, int stride, int count) const {
        int n = from;
        int done = 0;
        while (done < count) {
            const bool high = n >= threshold_;
            const int step = high ? down_ : up_;
            int steps = count - done;  // how many steps stay in this phase
            if (high && step < 0) steps = std::min(steps, (n - threshold_) / -step + 1);
            if (!high && step > 0) steps = std::min(steps, (threshold_ - n - 1) / step + 1);
            for (int k = 1; k <= steps; ++k)
                rung[static_cast<std::size_t>(first + stride * (done + k - 1))] = n + k * step;
            n += steps * step;
            done += steps;
        }
    }

  private:
    int down_, up_, threshold_;
};

}  // namespace

std::array<int, 400> DurationLadder(int centre, double short_step, double long_step, int d) {
    // Steps beyond a million ms per rung and centres beyond 2^24 ms say
    // nothing more; the bounds keep every rung inside int.
    constexpr double kMaxStep = 1e6;
    constexpr int kMaxCentre = 1 << 24;
    centre = std::clamp(centre, -kMaxCentre, kMaxCentre);
    short_step = std::isfinite(short_step) ? std::clamp(short_step, -kMaxStep, kMaxStep) : 0.0;
    long_step = std::isfinite(long_step) ? std::clamp(long_step, -kMaxStep, kMaxStep) : 0.0;
    auto round = [](double v) { return static_cast<int>(v + 0.5); };
    // Rungs 0..399 around the centre, and rung 400 one long step further.
    std::array<int, 401> old;
    for (int k = 0; k < 200; ++k)
        old[static_cast<std::size_t>(k)] = round(centre - (200 - k) * short_step);
    for (int k = 200; k <= 400; ++k)
        old[static_cast<std::size_t>(k)] = round(centre + (k - 200) * long_step);
    auto lies_at = [&](int i) {
        return old[static_cast<std::size_t>(i - 1)] <= d &&
               d < old[static_cast<std::size_t>(i + 1)];
    };
    std::array<int, 400> rung;
    if (d < centre) {
        int at = 0;
        for (int i = 1; i <= 200; ++i)
            if (lies_at(i)) {
                at = i;
                break;
            }
        std::copy_n(old.begin() + at, 201, rung.begin() + 199);
        // each rung one short step below its upper neighbour, rounded
        RoundedWalk(0.5 - short_step).Fill(rung[199], rung, 198, -1, 199);
    } else {
        int at = 400;
        for (int i = 200; i <= 398; ++i)
            if (lies_at(i)) {
                at = i;
                break;
            }
        std::copy_n(old.begin() + (at - 199), 200, rung.begin());
        // each rung one long step above its lower neighbour, rounded
        RoundedWalk(long_step + 0.5).Fill(rung[199], rung, 200, 1, 200);
    }
    return rung;
}

int ChooseRung(std::span<const long long, 400> sums, double target) {
    for (std::size_t j = 1; j <= 398; ++j)
        if (static_cast<double>(sums[j - 1]) <= target && target < static_cast<double>(sums[j + 1]))
            return static_cast<int>(j);
    return static_cast<double>(sums[0]) > target ? 0 : 399;
}

void TMikro::Limits(MikroWord& w) const {
    const std::size_t n = w.phonemes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto p = static_cast<std::size_t>(w.phonemes[i]);
        const bool vowel = w.IsVowel(i);
        const int factor = vowel ? p_.k[mode_ == 1 ? kVowelFloorFast : kVowelFloor] : p_.k[mode_ == 1 ? kConsonantFloorFast : kConsonantFloor];
        const long long floor = static_cast<long long>(At(p_.minimum, p)) * factor / 100;
        long long d = std::max<long long>(w.duration[i], floor);
        d = d * p_.k[vowel ? kVowelScale : kConsonantScale] / 100;
        w.duration[i] = Work(d);
    }
    if ((w.position == 'k' || w.position == 'K') && !w.syllables.empty()) {
        const Syllable& last = w.syllables.back();
        for (int i = std::max(last.first, 0); i <= last.last && i < static_cast<int>(n); ++i) {
            int& d = w.duration[static_cast<std::size_t>(i)];
            d = Work(static_cast<long long>(d) * p_.k[kFinalLengthening] / 100);
        }
    }
}

void TMikro::Rate(MikroWord& w) const {
    if (speed_ == 1) return;
    const auto& table = speed_ > 1 ? p_.shortening : p_.lengthening;
    std::vector<int> elasticity(w.phonemes.size());
    for (std::size_t i = 0; i < w.phonemes.size(); ++i)
        elasticity[i] = At(table, static_cast<std::size_t>(w.phonemes[i]));
    ScaleDurations(w.duration, elasticity, 1.0 / speed_, p_.shortest);
}

void TMikro::Output(const std::vector<MikroWord>& words) {
    auto push = [&](std::string_view name, long long duration, long long pitch) {
        StageRecord r{};
        SetSymbol(r.symbol, name);
        r.duration = Saturate16(duration);
        r.pitch = Saturate16(pitch);
        records_.push_back(r);
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const MikroWord& w = words[i];
        if (w.kind == 'l') {
            push(std::string_view(&w.mark, 1), w.pause, 0);
            continue;
        }
        for (std::size_t k = 0; k < w.phonemes.size(); ++k)
            push(p_.names[static_cast<std::size_t>(w.phonemes[k])], w.duration[k], w.pitch[k]);
        if (i + 1 < words.size() && words[i + 1].kind == 'b')
            push(std::string_view(&p_.word_boundary, 1),
                 ScaledPause(At(p_.pause, p_.word_boundary_index)), 0);
    }
}

}  // namespace tarvox
