#include "voice_builder.h"

#include <sndfile.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>

#include "base/files.h"
#include "base/records.h"
#include "driver/unit_conversion.h"
#include "ipa.h"
#include "lexicon/sampa.h"

namespace tarvox::data {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool ParseNumber(std::string_view s, double& out) {
    s = Trim(s);
    if (s.empty()) return false;
    std::string copy(s);
    char* end = nullptr;
    out = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(out);
}

// A name the waveform generator knows (a row of the SAMPA table).
bool IsBackEndName(std::string_view name) {
    if (name.empty() || name == " ") return false;
    return std::any_of(kSampaTable.begin(), kSampaTable.end(),
                       [&](const SampaRow& r) { return r.name == name; });
}

std::uint8_t SymbolOfName(std::string_view name) {
    for (const SampaRow& r : kSampaTable)
        if (r.name == name) return static_cast<std::uint8_t>(r.symbol);
    return ' ';
}

std::string NameOfSymbol(std::uint8_t symbol) {
    // The reverse lookup of the table: a later row wins (the space is "_").
    std::string name;
    for (const SampaRow& r : kSampaTable)
        if (static_cast<std::uint8_t>(r.symbol) == symbol) name = std::string(r.name);
    return name.empty() ? std::string(1, static_cast<char>(symbol)) : name;
}

// The value of `key = value` on a TextGrid line, unquoted.
bool TextGridValue(std::string_view line, std::string_view key, std::string& value) {
    line = Trim(line);
    if (line.substr(0, key.size()) != key) return false;
    std::string_view rest = Trim(line.substr(key.size()));
    if (rest.empty() || rest.front() != '=') return false;
    rest = Trim(rest.substr(1));
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
    value = std::string(rest);
    return true;
}

bool ParseTextGrid(std::string_view text, std::vector<Label>& labels, std::string& error) {
    std::istringstream in{std::string(text)};
    std::string line, value;
    int tiers = 0, n = 0;
    Label cur;
    int have = 0;
    while (std::getline(in, line)) {
        ++n;
        if (TextGridValue(line, "class", value)) {
            ++tiers;
            if (tiers > 1) break;  // only the first tier
            continue;
        }
        if (tiers == 0) continue;
        if (TextGridValue(line, "xmin", value)) {
            if (!ParseNumber(value, cur.start)) return error = "line " + std::to_string(n) + ": bad xmin", false;
            have = 1;
        } else if (TextGridValue(line, "xmax", value)) {
            if (!ParseNumber(value, cur.end)) return error = "line " + std::to_string(n) + ": bad xmax", false;
            have = have == 1 ? 2 : 0;
        } else if (TextGridValue(line, "text", value)) {
            if (have != 2) continue;
            cur.name = value.empty() ? "_" : value;
            if (!IsBackEndName(cur.name))
                return error = "line " + std::to_string(n) + ": unknown phoneme \"" + cur.name + "\"", false;
            labels.push_back(cur);
            have = 0;
        }
    }
    if (tiers == 0) return error = "no interval tier", false;
    return true;
}

std::vector<std::int16_t> Level(const std::vector<std::int16_t>& in, double gain) {
    std::vector<std::int16_t> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::clamp(std::lround(in[i] * gain), -32768L, 32767L));
    return out;
}

}  // namespace

bool ParseLabels(std::string_view text, std::vector<Label>& labels, std::string& error) {
    labels.clear();
    if (text.find("ooTextFile") != std::string_view::npos) return ParseTextGrid(text, labels, error);
    std::size_t pos = 0;
    int n = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        const std::string_view line = Trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        ++n;
        if (line.empty() || line.front() == '#') continue;
        std::istringstream fields{std::string(line)};
        std::string a, b, name, extra;
        fields >> a >> b >> name;
        Label l;
        if (name.empty() || (fields >> extra) || !ParseNumber(a, l.start) || !ParseNumber(b, l.end)) {
            error = "line " + std::to_string(n) + ": expected <start> <end> <name>";
            return false;
        }
        if (l.end < l.start || l.start < 0) {
            error = "line " + std::to_string(n) + ": the label ends before it starts";
            return false;
        }
        if (!labels.empty() && l.start + 1e-6 < labels.back().start) {
            error = "line " + std::to_string(n) + ": labels out of order";
            return false;
        }
        if (!IsBackEndName(name)) {
            error = "line " + std::to_string(n) + ": unknown phoneme \"" + name + "\"";
            return false;
        }
        l.name = name;
        labels.push_back(l);
    }
    return true;
}

std::string ReadRecording(const std::string& wav_path, Recording& out) {
    out = Recording{};
    out.name = wav_path;
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(wav_path.c_str(), SFM_READ, &info), sf_close);
    if (!file) return wav_path + ": " + sf_strerror(nullptr);
    if (info.channels < 1 || info.samplerate < 1000 || info.frames < 0)
        return wav_path + ": unsupported sound format";
    std::vector<float> frames(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file.get(), frames.data(), info.frames);
    std::vector<float> mono(static_cast<std::size_t>(std::max<sf_count_t>(got, 0)));
    for (std::size_t i = 0; i < mono.size(); ++i) {
        float sum = 0;
        for (int c = 0; c < info.channels; ++c) sum += frames[i * static_cast<std::size_t>(info.channels) + static_cast<std::size_t>(c)];
        mono[i] = sum / static_cast<float>(info.channels);
    }
    out.samples = ToPcm16(Resample(mono, info.samplerate, kDatabaseRate), 32768.0f);

    std::filesystem::path labels_path(wav_path);
    labels_path.replace_extension(".lab");
    if (!std::filesystem::exists(labels_path)) labels_path.replace_extension(".TextGrid");
    if (!std::filesystem::exists(labels_path))
        return wav_path + ": no label file beside it (.lab or .TextGrid)";
    const auto text = ReadWholeFile(labels_path.string());
    if (!text) return labels_path.string() + ": cannot read the labels";
    std::string error;
    if (!ParseLabels(std::string_view(text->data(), text->size()), out.labels, error))
        return labels_path.string() + ": " + error;
    if (out.labels.empty()) return labels_path.string() + ": no labels";
    return {};
}

std::string BuildDatabase(const std::vector<Recording>& recordings, const BuildOptions& options,
                          BuildResult& result, const Progress& progress) {
    result = BuildResult{};
    if (recordings.empty()) return "no recordings";
    const int pad = 2 * options.epochs.margin;

    // One stream; boundaries of every alophone in stream samples.
    std::vector<std::int16_t> stream(static_cast<std::size_t>(pad), 0);
    std::vector<long> bounds;  // start of every alophone, then the end of the last
    std::string symbols;
    for (const Recording& rec : recordings) {
        const long base = static_cast<long>(stream.size());
        const long len = static_cast<long>(rec.samples.size());
        for (std::size_t i = 0; i < rec.labels.size(); ++i) {
            const Label& l = rec.labels[i];
            const long s = std::clamp(std::lround(l.start * kDatabaseRate), 0L, len);
            if (!bounds.empty() && base + s < bounds.back()) bounds.push_back(bounds.back());
            else bounds.push_back(base + s);
            symbols.push_back(static_cast<char>(SymbolOfName(l.name)));
            const double ms = (i + 1 < rec.labels.size() ? rec.labels[i + 1].start : l.end) - l.start;
            if (ms > 1.5)
                result.warnings.push_back(rec.name + ": \"" + l.name + "\" at " + std::to_string(l.start) +
                                          " s is longer than 1500 ms; the engine skips it");
        }
        // Up to the next recording the last alophone goes on to its own end.
        const long end = std::clamp(std::lround(rec.labels.back().end * kDatabaseRate), 0L, len);
        stream.insert(stream.end(), rec.samples.begin(), rec.samples.end());
        bounds.push_back(base + end);  // replaced by the next recording's first start
        if (&rec != &recordings.back()) bounds.pop_back();
    }
    stream.insert(stream.end(), static_cast<std::size_t>(pad), 0);

    if (options.peak > 0) {
        int loudest = 1;
        for (std::int16_t v : stream) loudest = std::max(loudest, std::abs(static_cast<int>(v)));
        stream = Level(stream, static_cast<double>(options.peak) / loudest);
    }
    if (progress) progress("pitch marks", 0.0);
    std::vector<std::int32_t> marks = DetectPitchMarks(stream, options.epochs);
    if (progress) progress("pitch marks", 1.0);

    // Every boundary to its nearest mark, strictly increasing.
    std::vector<std::int32_t> first_marks;
    first_marks.reserve(bounds.size());
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        const long b = bounds[i];
        auto it = std::lower_bound(marks.begin(), marks.end(), b);
        long idx = it - marks.begin();
        if (idx > 0 && (idx == static_cast<long>(marks.size()) || b - marks[static_cast<std::size_t>(idx - 1)] <
                                                                     marks[static_cast<std::size_t>(idx)] - b))
            --idx;
        if (!first_marks.empty() && idx <= first_marks.back()) idx = first_marks.back() + 1;
        first_marks.push_back(static_cast<std::int32_t>(idx));
    }
    // The last alophone needs the mark after its last one.
    if (first_marks.back() > static_cast<long>(marks.size()) - 1)
        return "too few pitch marks for the labels (recordings too short?)";

    result.content.AppendRecording(stream, symbols, marks, first_marks);
    for (std::size_t p = 0; p + 1 < first_marks.size(); ++p) {
        const long span = marks[static_cast<std::size_t>(first_marks[p + 1])] - marks[static_cast<std::size_t>(first_marks[p])];
        if (span * 1000 / kDatabaseRate > 1500)
            result.warnings.push_back("alophone " + std::to_string(p) + " spans more than 1500 ms");
    }
    return {};
}

std::vector<CostEntry> DefaultCosts() {
    std::vector<CostEntry> costs;
    auto add = [&](std::initializer_list<const char*> names, int cost) {
        for (const char* n : names) costs.push_back({n, cost});
    };
    add({"_", "-"}, 1);
    add({"="}, 2);
    add({"s", "S", "f", "h", "z", "Z"}, 3);
    add({"p", "t", "k", "b", "d", "g"}, 4);
    add({"m", "n", "l", "r", "j", "v"}, 4);
    add({"a", "E", "i", "O", "u", "@", "I", "U"}, 6);
    add({"a:", "e:", "E:", "i:", "o:", "O:", "u:", "@:"}, 7);
    return costs;
}

Coverage CoverageOf(std::span<const std::uint8_t> transcription) {
    Coverage c;
    std::vector<std::string> names;
    names.reserve(transcription.size());
    for (std::uint8_t s : transcription) names.push_back(NameOfSymbol(s));
    for (std::size_t i = 0; i < names.size(); ++i) {
        ++c.phonemes[names[i]];
        if (i + 1 < names.size()) c.diphones.insert(names[i] + " " + names[i + 1]);
        if (i + 2 < names.size()) c.triphones.insert(names[i] + " " + names[i + 1] + " " + names[i + 2]);
    }
    return c;
}

std::vector<std::string> BackEndNames(std::string_view phoneme_string) {
    std::vector<StageRecord> records;
    auto add = [&](std::string_view name, int duration) {
        StageRecord r{};
        SetSymbol(r.symbol, name);
        r.duration = static_cast<std::int16_t>(duration);
        r.pitch = 110;
        records.push_back(r);
    };
    const auto& inventory = langdata::VoiceInventory();
    bool pause_pending = false;
    std::size_t i = 0;
    while (i < phoneme_string.size()) {
        std::size_t blank = phoneme_string.find_first_of(" \t", i);
        if (blank == std::string_view::npos) blank = phoneme_string.size();
        const std::string_view token = phoneme_string.substr(i, blank - i);
        i = blank + 1;
        // Words meet through a pause of no length (the context variants do
        // not reach across it), as the prosody stages hand them on.
        if (!records.empty() && !token.empty() && !pause_pending) add("_", 0);
        for (const std::string& name : langdata::SplitNames(token, inventory)) {
            if (std::find(inventory.begin(), inventory.end(), name) == inventory.end()) {
                pause_pending = !records.empty();
                continue;
            }
            if (pause_pending) add("_", 200);
            pause_pending = false;
            add(name, 80);
        }
    }
    add("_", 200);
    std::vector<PhonemeRecord> out;
    std::vector<std::string> names;
    if (ConvertUnits(records, PitchSettings{110, 90, 0}, out) < 0) return names;
    for (const PhonemeRecord& r : out)
        if (!SymbolOf(r.symbol).empty()) names.emplace_back(SymbolOf(r.symbol));
    return names;
}

std::set<std::string> BackEndInventory(const std::vector<std::string>& inventory) {
    std::set<std::string> out;
    for (const std::string& name : inventory) {
        // Alone, and after a vowel (where the glide variants arise).
        for (const std::string& text : {name, "a" + name + "a", "a" + name + "t"})
            for (const std::string& n : BackEndNames(text))
                if (n != "_") out.insert(n);
    }
    return out;
}

std::map<std::string, int> MissingDiphones(const Coverage& coverage,
                                           const std::vector<std::vector<std::string>>& sentences) {
    std::map<std::string, int> missing;
    for (const auto& s : sentences)
        for (std::size_t i = 0; i + 1 < s.size(); ++i) {
            std::string d = s[i] + " " + s[i + 1];
            if (!coverage.diphones.contains(d)) ++missing[d];
        }
    return missing;
}

}  // namespace tarvox::data
