#include "prosody/makro.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "base/diag.h"
#include "lexicon/inventory.h"
#include "prosody/stage_profile.h"

namespace tarvox {

using prosody::Saturate16;

namespace {

constexpr const char* kContourKeys[4] = {
    "stavcna_intonacija_prip",  // SentenceType::Statement
    "stavcna_intonacija_vpra",  // SentenceType::Question
    "stavcna_intonacija_neko",  // SentenceType::NonFinal
    "stavcna_intonacija_vzkl",  // SentenceType::Exclamation
};

constexpr const char* kWhQuestionKey = "stavcna_intonacija_dopo";

// A centre shorter than this stays one record.
constexpr int kShortestSplit = 20;  // ms

bool Fail(const std::string& message) {
    ReportError(message);
    return false;
}

// A quoted string value, cut to the 512 characters of a character set.
enum class Quoted { Ok, Missing, Bad };
Quoted ReadQuoted(const Profile& p, std::string_view key, std::string& out) {
    const char* raw = p.Find(key);
    if (!raw) return Quoted::Missing;
    if (!toCstring(raw, out)) return Quoted::Bad;
    if (out.size() > TMakro::kMaxSetSize) out.resize(TMakro::kMaxSetSize);
    return Quoted::Ok;
}

// Characters of `set` at the listed indices; indices outside the set are
// passed over. At most 64 indices are used.
std::string CharactersAt(const std::string& set, const std::vector<std::int32_t>& indices) {
    std::string out;
    for (std::size_t i = 0; i < indices.size() && i < TMakro::kMaxIndices; ++i)
        if (indices[i] >= 0 && static_cast<std::size_t>(indices[i]) < set.size())
            out.push_back(set[static_cast<std::size_t>(indices[i])]);
    return out;
}

std::vector<std::string> Words(Profile& p, std::string_view key, bool& missing) {
    std::vector<const char*> items;
    missing = p.SplitItems(key, ' ', items) < 0;
    return std::vector<std::string>(items.begin(), items.end());
}

// pitch x f / 100.0 with the product in single precision, truncated.
std::int16_t ScaleByFactor(std::int16_t pitch, float f) {
    const float product = static_cast<float>(pitch) * f;
    return Saturate16(static_cast<long long>(static_cast<double>(product) / 100.0));
}

}  // namespace

TMakro::TMakro(std::string_view profile_path, const Phonology& phonology)
    : inventory_(phonology.inventory) {
    const std::optional<bool> enciphered = prosody::ProfileEnciphered(profile_path);
    if (!enciphered) {
        ReportError(prosody::CouldNotFindMessage("TMakro", profile_path));
        throw -1;
    }
    if (!inventory_ || !Initialise(profile_path, *enciphered)) {
        created_ = false;
        // Logged only: the message that says what failed stays the last error.
        Trace("TMakro: Constructor failed to create class!");
        throw -1;
    }
}

TMakro::~TMakro() = default;

bool TMakro::Initialise(std::string_view profile_path, bool enciphered) {
    created_ = false;
    ReleaseOutput();
    profile_.reset();
    try {
        profile_ = std::make_unique<Profile>(profile_path, enciphered);
    } catch (const std::bad_alloc&) {
        return Fail("TMakro: Profile can not be created!");
    }
    if (!profile_->IsLoaded()) return Fail("TMakro: Profile could not be created properly!");
    if (!inventory_ || !ReadTables()) {
        Trace("TMakro: Profile can not be read!");  // after the key's own message
        return false;
    }
    created_ = true;
    return true;
}

std::string TMakro::ToOutputSymbols(std::string_view sampa) const {
    std::string out;
    for (int i : inventory_->Parse(sampa))
        if (static_cast<std::size_t>(i) < tables_.output_symbols.size())
            out.push_back(tables_.output_symbols[static_cast<std::size_t>(i)]);
    return out;
}

bool TMakro::ReadTables() {
    Profile& p = *profile_;
    MakroTables t;
    if (!p.IsLoaded()) return Fail("Napaka pri inicializaciji (makro.ini)\n");

    switch (ReadQuoted(p, "Nabor_locil", t.punctuation)) {
        case Quoted::Missing:
            return Fail("Napaka: Ime Nabor_locil ne obstaja\n");
        case Quoted::Bad:
            return Fail("Napaka pri pretvorbi (toCstring) p->nabor_locil \n");
        case Quoted::Ok:
            break;
    }
    if (p.GetNumberArray("Podaljsanje_locil", ' ', 0, &t.lengthening, nullptr, nullptr) < 0)
        return false;
    switch (ReadQuoted(p, "Pretvorba_locil", t.converted)) {
        case Quoted::Missing:
            return Fail("Napaka: Ime Pretvorba_locil ne obstaja\n");
        case Quoted::Bad:
            return Fail("Napaka pri pretvorbi (toCstring)\n");
        case Quoted::Ok:
            break;
    }
    switch (ReadQuoted(p, "Nabor_izhodnih_fonemov", t.output_symbols)) {
        case Quoted::Missing:
            return Fail("Napaka: Ime Nabor_izhodnih_fonemov ne obstaja\n");
        case Quoted::Bad:
            return Fail("Napaka pri pretvorbi (toCstring)\n");
        case Quoted::Ok:
            break;
    }
    switch (ReadQuoted(p, "Nabor_naglasenosti", t.accents)) {
        case Quoted::Missing:
            return Fail("Napaka: Ime Nabor_naglasenosti ne obstaja\n");
        case Quoted::Bad:
            return Fail("Napaka pri pretvorbi (toCstring)\n");
        case Quoted::Ok:
            break;
    }
    std::vector<std::int32_t> indices;
    if (p.GetLongArray("Locila", ' ', indices) < 0) return Fail("Napaka: Ime Locila ne obstaja\n");
    t.phrase_marks = CharactersAt(t.punctuation, indices);
    if (p.GetLongArray("Posebna_locila", ' ', indices) < 0)
        return Fail("Napaka: Ime Posebna_locila ne obstaja\n");
    t.special = CharactersAt(t.punctuation, indices);
    // Exactly one index, and one that names a character of Pretvorba_locil.
    if (p.GetLongArray("Presledek", ' ', indices) != 1 || indices[0] < 0 ||
        static_cast<std::size_t>(indices[0]) >= t.converted.size())
        return Fail("Napaka: Ime Presledek ne obstaja\n");
    t.boundary = t.converted[static_cast<std::size_t>(indices[0])];

    tables_.output_symbols = t.output_symbols;  // ToOutputSymbols reads it
    bool missing = false;
    std::vector<std::string> words = Words(p, "izjeme_tez", missing);
    if (missing) return Fail("Napaka: Izjeme_tez nr obstaja\n");
    if (words.size() > kMaxExceptionWords) words.resize(kMaxExceptionWords);
    for (const std::string& w : words)
        t.centre_words.push_back({ToOutputSymbols(w), inventory_->FirstLongVowel(w)});

    words = Words(p, "Izjeme_pre", missing);
    if (missing) return Fail("Napaka: Izjeme_pre ima napačno število elementov\n");
    for (const std::string& w : words) t.pause_words.push_back(ToOutputSymbols(w));
    if (p.GetLongArray("Izjeme_pre_cas", ' ', t.pause_lengths) < 0)
        return Fail("Napaka: 'Izjeme_pre_cas' ne obstaja\n");
    if (t.pause_lengths.size() != t.pause_words.size())
        return Fail("Napaka: 'Izjeme_pre' in 'Izjeme_pre_cas' imata različno število elementov\n");
    if (t.pause_words.size() > kMaxExceptionWords) {
        t.pause_words.resize(kMaxExceptionWords);
        t.pause_lengths.resize(kMaxExceptionWords);
    }

    for (int i = 0; i < 4; ++i) {
        std::vector<std::int32_t> v;
        if (p.GetLongArray(kContourKeys[i], '\t', v) < 7)
            return Fail(std::string("Napaka: '") + kContourKeys[i] + "' ne obstaja\n");
        t.contours[static_cast<std::size_t>(i)] = {v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
    }
    std::int32_t value = 0;
    t.limit_slope = p.GetLong("omeji_naklon", value) == 0 && value != 0;
    value = 0;
    t.time_line = p.GetLong("freq_po_premici", value) == 0 && value != 0;
    // Optional: the wh-question contour and the final accent in two halves.
    if (p.Find(kWhQuestionKey)) {
        std::vector<std::int32_t> v;
        if (p.GetLongArray(kWhQuestionKey, '\t', v) < 7)
            return Fail(std::string("Napaka: '") + kWhQuestionKey + "' nima 7 stevil\n");
        t.has_wh_question = true;
        t.wh_question = {v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
    }
    value = 0;
    t.split_final_accent = p.GetLong("razdeli_koncni_naglas", value) == 0 && value != 0;

    tables_ = std::move(t);
    name_of_.assign(65536, -1);
    const std::size_t n = std::min(
        {inventory_->PhonemeCount(), tables_.output_symbols.size(), tables_.accents.size()});
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t key = static_cast<unsigned char>(tables_.output_symbols[i]) +
                                256u * static_cast<unsigned char>(tables_.accents[i]);
        if (name_of_[key] < 0) name_of_[key] = static_cast<std::int16_t>(i);
    }
    return true;
}

int TMakro::Run(std::span<const StageRecord> records) {
    ReleaseOutput();
    if (!created_) {
        ReportError("Napaka pri inicializaciji makroprozodike!");
        return -1;
    }
    try {
        output_.reserve(records.size() + 20);
    } catch (const std::bad_alloc&) {
        ReportError("Napaka pri inicializaciji makroprozodike!");
        return -1;
    }
    if (Makro(records) == -1) {
        ReportError("Napaka pri izvajanju makroprozodike!");
        ReleaseOutput();
        return -2;
    }
    return 0;
}

int TMakro::Makro(std::span<const StageRecord> in) {
    const MakroTables& t = tables_;
    auto is_mark = [&](unsigned char c) {
        return c != 0 && t.phrase_marks.find(static_cast<char>(c)) != std::string::npos;
    };
    // The byte that stands for a symbol known neither as a phoneme nor as
    // punctuation: one that is no mark and not the word boundary.
    unsigned char foreign = 1;
    while (foreign < 255 && (is_mark(foreign) || foreign == static_cast<unsigned char>(t.boundary)))
        ++foreign;

    std::vector<Entry> w;
    std::string text;
    try {
        w.resize(in.size() + 1);
        text.reserve(in.size() + 1);
    } catch (const std::bad_alloc&) {
        ReportError("Func makro():  Ni zadosti pomnilnika za ustvaritev medpomnilnika\n");
        return -1;
    }

    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::string_view sym = SymbolOf(in[i].symbol);
        Entry& e = w[i];
        e.duration = in[i].duration;
        e.pitch = in[i].pitch;
        e.source = i;
        const int idx = inventory_->IndexOf(sym);
        const auto u = static_cast<std::size_t>(idx);
        std::size_t k = std::string::npos;
        if (idx >= 0 && u < t.output_symbols.size() && u < t.accents.size() &&
            t.output_symbols[u] != '\0') {
            e.symbol = static_cast<unsigned char>(t.output_symbols[u]);
            e.accent = t.accents[u];
        } else if (!sym.empty() && (k = t.punctuation.find(sym[0])) != std::string::npos &&
                   k < t.converted.size() && t.converted[k] != '\0') {
            e.symbol = static_cast<unsigned char>(t.converted[k]);
            e.accent = 'l';
            const std::size_t m = sym.size() >= 2 ? t.special.find(sym[1]) : std::string::npos;
            if (m != std::string::npos && m < t.lengthening.size())
                e.duration = Saturate16(static_cast<long long>(t.lengthening[m] * e.duration));
        } else {
            e.symbol = foreign;
            e.foreign = true;
        }
    }
    // w[in.size()] keeps symbol 0: the end of the input.

    const std::size_t n = in.size();
    std::size_t p = 0;
    while (true) {
        int accent = -1;
        text.clear();
        std::size_t len = 0;
        while (p + len < n && !is_mark(w[p + len].symbol)) {
            text.push_back(static_cast<char>(w[p + len].symbol));
            if (w[p + len].accent == ':') accent = static_cast<int>(len);
            ++len;
        }
        switch (w[p + len].symbol) {
            case '.':
            case ';':
                type_ = SentenceType::Statement;
                break;
            case ',':
                type_ = SentenceType::NonFinal;
                break;
            case '!':
                type_ = SentenceType::Exclamation;
                break;
            case '?':
                type_ = SentenceType::Question;
                break;
            default:
                break;  // the previous phrase's type stays
        }
        const std::span<Entry> phrase = std::span<Entry>(w).subspan(p, len);
        PauseExceptions(phrase, text);
        bool from_word = false;
        const int centre = Centre(text, accent, from_word);
        wh_question_ = type_ == SentenceType::Question && from_word && t.has_wh_question;
        std::size_t split = len;  // the centre, when it is written in two halves
        std::int16_t split_pitch = 0;
        if (centre >= 0 && static_cast<std::size_t>(centre) < len) {
            const Contour& c =
                wh_question_ ? t.wh_question : t.contours[static_cast<std::size_t>(type_)];
            const auto k = static_cast<std::size_t>(centre);
            const std::int16_t centre_pitch = phrase[k].pitch;
            if (t.time_line)
                TimeLineContour(phrase, k, c);
            else
                PhonemeCountContour(phrase, k, c);
            if (c.duration != 100)
                for (Entry& e : phrase)
                    if (e.symbol != static_cast<unsigned char>(t.boundary))
                        e.duration =
                            Saturate16(static_cast<long long>(e.duration) * c.duration / 100);
            if (t.split_final_accent && phrase[k].duration >= 2 * kShortestSplit &&
                std::none_of(phrase.begin() + static_cast<std::ptrdiff_t>(k) + 1, phrase.end(),
                             [&](const Entry& e) { return IsVowel(e, in); })) {
                split = k;
                split_pitch = Saturate16(static_cast<long long>(centre_pitch) * c.end / 100);
            }
        }
        for (std::size_t i = 0; i < len; ++i) {
            if (i == split)
                WriteSplit(phrase[i], split_pitch, in);
            else
                Write(phrase[i], in);
        }
        p += len;
        if (p >= n) break;
        while (p < n && is_mark(w[p].symbol)) {
            StageRecord r{};
            SetSymbol(r.symbol, "_");
            r.duration = w[p].duration;
            r.pitch = w[p].pitch;
            output_.push_back(r);
            ++p;
        }
        if (p >= n) break;
    }
    return static_cast<int>(output_.size());
}

void TMakro::PauseExceptions(std::span<Entry> phrase, std::string_view text) const {
    const char b = tables_.boundary;
    for (std::size_t wi = 0; wi < tables_.pause_words.size(); ++wi) {
        const std::string& word = tables_.pause_words[wi];
        if (word.empty()) continue;
        for (std::size_t f = text.find(word); f != std::string_view::npos;
             f = text.find(word, f + word.size())) {
            const std::size_t end = f + word.size();
            if (f > 0 && text[f - 1] == b && (end == text.size() || text[end] == b))
                phrase[f - 1].duration = Saturate16(tables_.pause_lengths[wi]);
        }
    }
}

bool TMakro::IsVowel(const Entry& e, std::span<const StageRecord> in) const {
    if (e.foreign || e.accent == 'l' || e.source >= in.size()) return false;
    return inventory_->Sonority(inventory_->IndexOf(SymbolOf(in[e.source].symbol))) == 'v';
}

int TMakro::Centre(std::string_view text, int accent, bool& from_word) const {
    const char b = tables_.boundary;
    from_word = false;
    for (const MakroTables::CentreWord& cw : tables_.centre_words) {
        if (cw.symbols.empty() || cw.centre < 0) continue;
        const std::size_t f = text.find(cw.symbols);
        if (f == std::string_view::npos) continue;
        const std::size_t end = f + cw.symbols.size();
        if ((f == 0 || text[f - 1] == b) && (end == text.size() || text[end] == b)) {
            from_word = true;
            return static_cast<int>(f) + cw.centre;
        }
    }
    return accent;
}

void TMakro::PhonemeCountContour(std::span<Entry> phrase, std::size_t k, const Contour& c) const {
    const auto b = static_cast<unsigned char>(tables_.boundary);
    auto count = [&](std::span<const Entry> r) {
        int n = 0;
        for (const Entry& e : r) n += e.symbol != b;
        return n;
    };
    const std::span<Entry> before = phrase.first(k);
    const std::span<Entry> after = phrase.subspan(k + 1);

    if (const int n = count(before); n > 0) {
        const float step = static_cast<float>(c.centre - c.start) / static_cast<float>(n);
        float f = static_cast<float>(c.start);
        for (Entry& e : before) {
            if (e.symbol == b) continue;
            e.pitch = ScaleByFactor(e.pitch, f);
            f += step;
        }
    }
    Entry& centre = phrase[k];
    centre.pitch = Saturate16(static_cast<long long>(centre.pitch) * c.centre / 100);
    centre.duration = Saturate16(static_cast<long long>(centre.duration) * c.centre_duration / 100);
    if (const int m = count(after); m > 0) {
        const float step = static_cast<float>(c.end - c.centre) / static_cast<float>(m);
        float f = static_cast<float>(c.centre) + step;
        for (Entry& e : after) {
            if (e.symbol == b) continue;
            e.pitch = ScaleByFactor(e.pitch, f);
            f += step;
        }
    }
}

void TMakro::TimeLineContour(std::span<Entry> phrase, std::size_t k, const Contour& c) const {
    const float limit_before =
        tables_.limit_slope ? static_cast<float>(c.slope_before) / 1000.0f : 0.0f;
    const float limit_after =
        tables_.limit_slope ? static_cast<float>(c.slope_after) / 1000.0f : 0.0f;
    Line(phrase.first(k), c.start, c.centre, limit_before);
    Entry& centre = phrase[k];
    centre.pitch = Saturate16(static_cast<long long>(centre.pitch) * c.centre / 100);
    centre.duration = Saturate16(static_cast<long long>(centre.duration) * c.centre_duration / 100);
    Line(phrase.subspan(k + 1), c.centre, c.end, limit_after);
}

void TMakro::Line(std::span<Entry> range, int a, int b, float limit) const {
    const auto boundary = static_cast<unsigned char>(tables_.boundary);
    long long total = 0;
    int n = 0;
    for (const Entry& e : range) {
        if (e.symbol == boundary) continue;
        total += e.duration;
        ++n;
    }
    if (n == 0) return;
    // A zero (or negative) total leaves the line flat at a.
    float slope = total > 0 ? static_cast<float>(b - a) / static_cast<float>(total) : 0.0f;
    if (limit > 0.0f && std::fabs(slope) > limit) slope = std::copysign(limit, slope);

    bool first = true;
    long long t = 0;
    int previous = 0;
    for (Entry& e : range) {
        if (e.symbol == boundary) continue;
        if (first) {
            t = e.duration / 2;
        } else {
            t += (previous + e.duration) / 2;
        }
        const float factor = static_cast<float>(t) * slope + static_cast<float>(a);
        const double product = static_cast<double>(factor) * e.pitch;
        previous = e.duration;
        e.pitch = Saturate16(static_cast<long long>(first ? product / 100 : (product + 0.5) / 100));
        first = false;
    }
}

void TMakro::Write(const Entry& e, std::span<const StageRecord> in) {
    StageRecord r{};
    if (e.symbol == static_cast<unsigned char>(tables_.boundary)) {
        SetSymbol(r.symbol, "_");
    } else if (e.foreign) {
        SetSymbol(r.symbol, SymbolOf(in[e.source].symbol));
    } else {
        const int i = name_of_[e.symbol + 256u * static_cast<unsigned char>(e.accent)];
        SetSymbol(r.symbol, i >= 0 ? std::string_view(inventory_->Name(static_cast<std::size_t>(i)))
                                   : std::string_view("_"));
    }
    r.duration = e.duration;
    r.pitch = e.pitch;
    output_.push_back(r);
}

void TMakro::WriteSplit(const Entry& e, std::int16_t end_pitch, std::span<const StageRecord> in) {
    Entry first = e;
    first.duration = static_cast<std::int16_t>(e.duration / 2);
    Entry second = e;
    second.duration = static_cast<std::int16_t>(e.duration - first.duration);
    second.pitch = end_pitch;
    Write(first, in);
    Write(second, in);
}

}  // namespace tarvox
