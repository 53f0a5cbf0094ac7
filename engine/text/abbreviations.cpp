#include "text/abbreviations.h"

#include <algorithm>

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "text/character_filter.h"

namespace tarvox {
namespace {

struct Occurrence {
    std::size_t position;
    std::size_t pair;
    bool followed_by_non_blank;
};

}  // namespace

int AbbreviationTable::Read(const Profile& profile) {
    pairs_.clear();
    std::vector<std::string> items;
    if (profile.GetItems("okrajsave", '\t', items) < 0) return 0;
    if (items.size() % 2 != 0) {
        ReportError("Napacno stevilo okrajsav (okrajsave)");
        return -1;
    }
    pairs_.reserve(items.size() / 2);
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
        pairs_.push_back({std::move(items[i]), std::move(items[i + 1])});
    }
    return 0;
}

bool ExpandAbbreviations(std::string& text, const AbbreviationTable& table,
                         const CharClasses& classes, std::size_t limit) {
    if (table.Pairs().empty()) return true;
    std::string lower = text;
    classes.ToLower(lower);

    std::vector<Occurrence> found;
    for (std::size_t p = 0; p < table.Pairs().size(); ++p) {
        const std::string& abbreviation = table.Pairs()[p].abbreviation;
        if (abbreviation.empty()) continue;
        std::size_t at = lower.find(abbreviation);
        while (at != std::string::npos) {
            const bool counts =
                at == 0 || !(classes.IsLetter(static_cast<unsigned char>(lower[at - 1])) ||
                             classes.IsDigit(static_cast<unsigned char>(lower[at - 1])));
            if (counts) {
                const std::size_t after = at + abbreviation.size();
                found.push_back({at, p, after >= lower.size() || lower[after] != ' '});
            }
            at = lower.find(abbreviation, at + abbreviation.size());
        }
    }
    if (found.empty()) return true;
    std::stable_sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.position < b.position;
    });

    std::string rebuilt;
    rebuilt.reserve(text.size() + 256);
    std::size_t copied = 0;  // input position up to which the text is handled
    for (const Occurrence& o : found) {
        if (o.position < copied) continue;  // starts inside the previous occurrence
        const auto& pair = table.Pairs()[o.pair];
        rebuilt.append(text, copied, o.position - copied);
        if (rebuilt.size() + pair.expansion.size() >= limit) return false;
        const std::size_t first = rebuilt.size();
        rebuilt += pair.expansion;
        if (classes.In(static_cast<unsigned char>(text[o.position]), kVelikeCrke) &&
            first < rebuilt.size()) {
            rebuilt[first] = classes.ToUpper(rebuilt[first]);
        }
        copied = o.position + pair.abbreviation.size();
        if (o.followed_by_non_blank) rebuilt.push_back(' ');
    }
    rebuilt.append(text, copied, std::string::npos);
    if (rebuilt.size() > limit) return false;
    text = std::move(rebuilt);
    return true;
}

}  // namespace tarvox
