#include "driver/unit_conversion.h"

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <string_view>

namespace tarvox {
namespace {

constexpr std::array<std::string_view, 14> kVowels = {"a", "a:", "e:", "E", "E:", "i", "i:",
                                                       "o:", "O", "O:", "u", "u:", "@", "@:"};
constexpr std::array<std::string_view, 14> kVoiced = {"b", "d", "z", "Z", "g", "m", "n",
                                                       "v", "j", "l", "r", "=", "U", "I"};

struct Rename {
    std::string_view from, to;
};
constexpr std::array<Rename, 11> kRenames = {{{"a\"", "a:"},
                                              {"E\"", "E:"},
                                              {"i\"", "i:"},
                                              {"O\"", "O:"},
                                              {"u\"", "u:"},
                                              {"@\"", "@:"},
                                              {"l'", "l"},
                                              {"n'", "n"},
                                              {"F", "m"},
                                              {"N", "n"},
                                              {"W", "u"}}};

template <std::size_t N>
bool In(const std::array<std::string_view, N>& set, std::string_view s) {
    return std::find(set.begin(), set.end(), s) != set.end();
}
bool IsVowel(std::string_view s) { return In(kVowels, s); }
bool IsVoiced(std::string_view s) { return In(kVoiced, s); }

PhonemeRecord Make(std::string_view symbol, int duration, int p0, int p1, int p2) {
    PhonemeRecord r{};
    SetSymbol(r.symbol, symbol);
    r.duration = duration;
    r.pitch_start = p0;
    r.pitch_mid = p1;
    r.pitch_end = p2;
    return r;
}

// The list grows by 100 records whenever fewer than five would stay free.
constexpr std::size_t kGrowStep = 100;
constexpr std::size_t kMinFree = 5;

}  // namespace

int ConvertUnits(std::span<StageRecord> in, const PitchSettings& s,
                 std::vector<PhonemeRecord>& out) {
    try {
        out.clear();
        out.reserve(in.size() + 2);
        out.push_back(Make("_", 50, 0, 0, 0));
        for (StageRecord& rec : in) {
            if (out.capacity() - out.size() < kMinFree) out.reserve(out.capacity() + kGrowStep);
            const int d = rec.duration;
            int p = s.reference + ((rec.pitch - s.reference) * s.range) / 100;
            p += s.offset;
            rec.pitch = static_cast<std::int16_t>(std::clamp(p, -32768, 32767));
            const std::string_view sym = SymbolOf(rec.symbol);
            auto add = [&](std::string_view name, int dur) { out.push_back(Make(name, dur, p, p, p)); };
            if (sym == "b" || sym == "d" || sym == "g") {
                add("=", 9 * d / 10);
                add(sym, 0);
            } else if (sym == "p" || sym == "t" || sym == "k") {
                add("-", 9 * d / 10);
                add(sym, 0);
            } else if (sym == "ts" || sym == "tS") {
                add("-", 45 * d / 100);
                add("t", 0);
                add(sym == "ts" ? "s" : "S", 45 * d / 100);
            } else if (sym == "_") {
                if (d <= 40) {
                    add("_", d);
                } else if (d <= 80) {
                    add("_", d / 2);
                    add("_", d / 2);
                } else {
                    const int x = std::max(d - 80, 30);
                    const int h = (d - x) / 2;
                    add("_", h);
                    out.push_back(Make("_", x, 0, 0, 0));
                    add("_", h);
                }
            } else {
                std::string_view name = sym;
                for (const Rename& r : kRenames)
                    if (r.from == sym) name = r.to;
                add(name, d);
            }
        }
        out.push_back(Make("", 0, 0, 0, 0));
    } catch (const std::bad_alloc&) {
        out.clear();
        return -1;
    }

    // Context variants; `next` is read before the next record is rewritten.
    const std::size_t last = out.size() - 1;  // the terminator
    std::string prev;
    for (std::size_t i = 0; i < last; ++i) {
        const std::string cur(SymbolOf(out[i].symbol));
        const std::string_view next = SymbolOf(out[i + 1].symbol);
        std::string_view repl = cur;
        if (cur == "i" && IsVowel(prev) && next != "n") {
            repl = "I";
        } else if (cur == "j" && IsVowel(prev) && !IsVowel(next)) {
            repl = "I";
        } else if (cur == "u" && IsVowel(prev)) {
            repl = "U";
        } else if (cur == "w") {
            repl = IsVowel(prev) ? "U" : "u";
        }
        SetSymbol(out[i].symbol, repl);
        prev = std::string(repl);
    }

    // Empty pauses go; the terminator stays.
    out.erase(std::remove_if(out.begin(), out.end() - 1,
                             [](const PhonemeRecord& r) {
                                 return SymbolOf(r.symbol) == "_" && r.duration == 0;
                             }),
              out.end() - 1);

    // Join pitch at voiced boundaries.
    const std::size_t n = out.size();  // the terminator is out[n - 1]
    for (std::size_t i = 1; i + 1 < n; ++i) {
        PhonemeRecord& r = out[i];
        PhonemeRecord& q = out[i - 1];
        const std::string_view rs = SymbolOf(r.symbol), qs = SymbolOf(q.symbol);
        const bool rv = IsVowel(rs), qv = IsVowel(qs);
        const bool rz = IsVoiced(rs), qz = IsVoiced(qs);
        bool joined = true;
        if (rv && qv) {
            r.pitch_start = (r.pitch_mid + q.pitch_mid) / 2;
        } else if (rv && qz) {
            r.pitch_start = (3 * r.pitch_mid + q.pitch_mid) / 4;
        } else if (qv && rz) {
            r.pitch_start = (3 * q.pitch_mid + r.pitch_mid) / 4;
        } else if (rz && qz) {
            r.pitch_start = (r.pitch_mid + q.pitch_mid) / 2;
        } else {
            joined = false;
        }
        if (joined) q.pitch_end = r.pitch_start;
    }

    // Interpolate across unvoiced stretches.
    auto unvoiced = [&](std::size_t i) {
        const std::string_view sym = SymbolOf(out[i].symbol);
        return !sym.empty() && !IsVowel(sym) && !IsVoiced(sym);
    };
    for (std::size_t i = 0; i + 1 < n;) {
        if (!unvoiced(i)) {
            ++i;
            continue;
        }
        std::size_t j = i;
        long total = 0;
        while (j + 1 < n && unvoiced(j)) total += out[j++].duration;
        // records i .. j-1 form the stretch; out[j] follows it
        if (total == 0) total = 1;
        const double p1_next = out[j].pitch_start;
        double p0 = i == 0 ? p1_next : out[i - 1].pitch_end;
        double p1 = p1_next;
        if (j == n - 1) p1 = p0;
        if (i == 0 && j == n - 1) p0 = p1 = 0;
        long t = 0;
        for (std::size_t k = i; k < j; ++k) {
            const double dur = out[k].duration;
            const double span = p1 - p0;
            const double tt = static_cast<double>(t);
            const double tot = static_cast<double>(total);
            out[k].pitch_start = static_cast<int>(p0 + tt * span / tot);
            out[k].pitch_mid = static_cast<int>(p0 + (tt + dur / 2) * span / tot);
            out[k].pitch_end = static_cast<int>(p0 + (tt + dur) * span / tot);
            t += out[k].duration;
        }
        i = j;
    }

    if (n >= 2) {
        out[n - 1].pitch_start = out[n - 1].pitch_mid = out[n - 1].pitch_end = out[n - 2].pitch_end;
    }
    return static_cast<int>(n - 1);
}

}  // namespace tarvox
