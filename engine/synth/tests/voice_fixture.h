// Small voice databases for the tests: sine-wave "recordings" whose pitch
// marks lie exactly at the start of every period.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/records.h"
#include "support/test_files.h"
#include "synth/db_writer.h"

namespace tarvox::testing {

struct SineAlophone {
    char symbol;
    int period;   // samples
    int periods;  // markers of the alophone
};

// One recording: `lead_in` samples before the first mark, the alophones one
// after another, then a closing mark, one more period and `tail` samples.
// The pause (the space symbol) is recorded as silence.
class SineVoice {
public:
    explicit SineVoice(int lead_in = 800, int amplitude = 8000, int tail = 800)
        : lead_in_(lead_in), amplitude_(amplitude), tail_(tail) {}

    SineVoice& Add(char symbol, int period = 160, int periods = 5) {
        alophones_.push_back({symbol, period, periods});
        return *this;
    }
    SineVoice& Add(std::string_view symbols, int period = 160, int periods = 5) {
        for (char c : symbols) Add(c, period, periods);
        return *this;
    }

    VoiceDatabaseContent Build() const {
        std::vector<std::int32_t> marks;
        std::vector<std::int32_t> first;
        std::vector<int> periods;  // period of every mark
        std::vector<int> levels;   // amplitude from every mark on
        std::string symbols;
        int pos = lead_in_;
        for (const SineAlophone& a : alophones_) {
            symbols.push_back(a.symbol);
            first.push_back(static_cast<std::int32_t>(marks.size()));
            for (int i = 0; i < a.periods; ++i) {
                marks.push_back(pos);
                periods.push_back(a.period);
                levels.push_back(a.symbol == ' ' ? 0 : amplitude_);
                pos += a.period;
            }
        }
        const int last = alophones_.empty() ? 160 : alophones_.back().period;
        first.push_back(static_cast<std::int32_t>(marks.size()));  // closes the last alophone
        const int last_level = levels.empty() ? amplitude_ : levels.back();
        marks.push_back(pos);
        periods.push_back(last);
        levels.push_back(last_level);
        marks.push_back(pos + last);
        periods.push_back(last);
        levels.push_back(last_level);
        const int total = pos + last + tail_;

        std::vector<std::int16_t> samples(static_cast<std::size_t>(total));
        const int first_period = periods.empty() ? 160 : periods.front();
        std::size_t m = 0;  // marks at or before n
        for (int n = 0; n < total; ++n) {
            while (m < marks.size() && marks[m] <= n) ++m;
            int period = m == 0 ? first_period : periods[m - 1];
            int origin;
            if (m == 0)
                origin = marks.front() - period * ((marks.front() - n + period - 1) / period);
            else if (m == marks.size())
                origin = marks.back() + period * ((n - marks.back()) / period);
            else
                origin = marks[m - 1];
            const int level = levels[m == 0 ? 0 : m - 1];
            samples[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(
                std::lround(level * std::sin(2 * M_PI * (n - origin) / period)));
        }
        VoiceDatabaseContent content;
        content.AppendRecording(samples, symbols, marks, first);
        return content;
    }

private:
    int lead_in_;
    int amplitude_;
    int tail_;
    std::vector<SineAlophone> alophones_;
};

// Writes the database and "Cost.dat" under `dir` (data\QuenlarOrin.dat).
struct VoiceFiles {
    std::string database;
    std::string costs;
};

inline VoiceFiles WriteVoice(const TempDir& dir, const VoiceDatabaseContent& content,
                             const std::vector<CostEntry>& costs = {{"a", 5}}) {
    std::filesystem::create_directories(dir.path() / "data");
    VoiceFiles files{dir.file("data/QuenlarOrin.dat"), dir.file("Cost.dat")};
    std::string error;
    if (WriteVoiceDatabase(files.database, content, error) != 0 ||
        WriteCostFile(files.costs, costs, error) != 0)
        files.database.clear();
    return files;
}

struct Target {
    const char* sampa;
    std::int32_t duration;
    std::int32_t start;
    std::int32_t mid;
    std::int32_t end;
};

// Phoneme records with the terminating empty record.
inline std::vector<PhonemeRecord> Records(std::initializer_list<Target> targets) {
    std::vector<PhonemeRecord> records;
    for (const Target& t : targets) {
        PhonemeRecord r{};
        SetSymbol(r.symbol, t.sampa);
        r.duration = t.duration;
        r.pitch_start = t.start;
        r.pitch_mid = t.mid;
        r.pitch_end = t.end;
        records.push_back(r);
    }
    records.push_back(PhonemeRecord{});
    return records;
}

}  // namespace tarvox::testing
