#include "gfp/rules.h"

#include <algorithm>

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"

namespace tarvox {
namespace {

// An item as the rules see it: cut at its first "=", "_" as a blank.
std::string RuleItem(std::string_view raw) {
    std::string item(raw.substr(0, raw.find('=')));
    std::replace(item.begin(), item.end(), '_', ' ');
    return item;
}

}  // namespace

RuleList::ReadResult RuleList::Read(Profile& profile, std::string_view name,
                                    const CharClasses& classes) {
    std::vector<const char*> raw;
    const int count = profile.SplitItems(name, '\t', raw);
    if (count <= 0) {
        classes_ = &classes;
        rules_.clear();
        BuildIndex();
        return ReadResult::kEmpty;
    }
    std::vector<std::string> items;
    items.reserve(raw.size());
    for (const char* r : raw) items.push_back(RuleItem(r));
    return Assign(items, classes);
}

RuleList::ReadResult RuleList::Assign(const std::vector<std::string>& items,
                                      const CharClasses& classes) {
    classes_ = &classes;
    rules_.clear();
    ReadResult result = ReadResult::kOk;
    if (items.empty()) {
        result = ReadResult::kEmpty;
    } else if (items.size() % 4 != 0) {
        result = ReadResult::kBadCount;
    } else {
        rules_.reserve(items.size() / 4);
        for (std::size_t i = 0; i < items.size(); i += 4) {
            Rule r;
            r.left = items[i].size();
            r.target = items[i + 1].size();
            r.pattern = items[i] + items[i + 1] + items[i + 2];
            r.output = items[i + 3];
            rules_.push_back(std::move(r));
        }
    }
    BuildIndex();
    return result;
}

bool RuleList::CharMatches(unsigned char pattern, unsigned char text) const {
    const int cls = classes_->Position(pattern, kGlasovneSkupine);
    if (cls == 0) return pattern == text;
    // A placeholder beyond the last class stands for no class at all.
    return cls < kCharClassCount && classes_->In(text, cls);
}

void RuleList::BuildIndex() {
    for (auto& bucket : buckets_) bucket.clear();
    for (std::uint32_t i = 0; i < rules_.size(); ++i) {
        const Rule& r = rules_[i];
        if (r.left >= r.pattern.size()) {
            for (auto& bucket : buckets_) bucket.push_back(i);
            continue;
        }
        const auto anchor = static_cast<unsigned char>(r.pattern[r.left]);
        // Byte 0 is the end of the text, which no pattern character matches.
        for (int b = 1; b < 256; ++b)
            if (CharMatches(anchor, static_cast<unsigned char>(b))) buckets_[b].push_back(i);
    }
}

bool RuleList::Matches(const Rule& rule, std::string_view text, std::size_t start) const {
    if (start + rule.pattern.size() > text.size()) return false;
    for (std::size_t j = 0; j < rule.pattern.size(); ++j) {
        const auto t = static_cast<unsigned char>(text[start + j]);
        if (t == 0 || !CharMatches(static_cast<unsigned char>(rule.pattern[j]), t)) return false;
    }
    return true;
}

std::optional<std::string_view> RuleList::Match(std::string_view text, std::size_t& pos) const {
    if (classes_ == nullptr || pos > text.size()) return std::nullopt;
    const auto here = pos < text.size() ? static_cast<unsigned char>(text[pos]) : 0;
    for (const std::uint32_t i : buckets_[here]) {
        const Rule& r = rules_[i];
        if (pos < r.left) continue;
        if (!Matches(r, text, pos - r.left)) continue;
        pos += r.target;
        return std::string_view(r.output);
    }
    return std::nullopt;
}

int PrepareRules(Profile& profile, const CharClasses& classes, RuleList& cross_word,
                 RuleList& letter_to_sound) {
    struct Step {
        const char* name;
        RuleList& list;
        const char* bad_count;
    };
    const Step steps[] = {
        {"pravila_slovar", cross_word, "Napacno stevilo pravil (pravila_slovar)"},
        {"pravila", letter_to_sound, "Napacno stevilo pravil"},
    };
    for (const Step& s : steps) {
        switch (s.list.Read(profile, s.name, classes)) {
            case RuleList::ReadResult::kOk:
                break;
            case RuleList::ReadResult::kEmpty:
                ReportError(std::string("Napaka: (pripravi_pravila): ") + s.name);
                return -1;
            case RuleList::ReadResult::kBadCount:
                ReportError(s.bad_count);
                return -1;
        }
    }
    return 0;
}

}  // namespace tarvox
