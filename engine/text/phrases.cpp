#include "text/phrases.h"

#include <vector>

#include "lexicon/char_classes.h"
#include "text/character_filter.h"

namespace tarvox {
namespace {

struct Token {
    std::size_t start;
    std::size_t end;
};

}  // namespace

void SubstitutePhrases(std::string& text, const PhraseLookup& lookup, const CharClasses& classes,
                       std::size_t limit) {
    if (!lookup || text.empty()) return;
    auto is_separator = [&](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == ' ' || classes.In(u, kKoncnaLocila) || classes.In(u, kNekoncnaLocila);
    };
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < text.size();) {
        if (is_separator(text[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && !is_separator(text[i])) ++i;
        tokens.push_back({start, i});
    }
    auto joined_by_blanks = [&](const Token& a, const Token& b) {
        for (std::size_t k = a.end; k < b.start; ++k) {
            if (text[k] != ' ') return false;
        }
        return true;
    };

    std::string out;
    out.reserve(text.size() + 64);
    std::size_t copied = 0;
    std::string key;
    for (std::size_t t = 0; t < tokens.size();) {
        const Token& first = tokens[t];
        std::size_t best = 0;  // tokens covered by the longest key found
        std::optional<std::string_view> replacement;
        key.clear();
        for (std::size_t n = 1; t + n - 1 < tokens.size(); ++n) {
            const Token& last = tokens[t + n - 1];
            if (last.end - last.start > kMaxPhraseToken) break;
            if (n > 1 && !joined_by_blanks(tokens[t + n - 2], last)) break;
            if (n > 1) key.push_back(' ');
            for (std::size_t k = last.start; k < last.end; ++k) key.push_back(classes.ToLower(text[k]));
            const auto found = lookup(key);
            if (found) {
                best = n;
                replacement = found;
            } else if (n > 1) {
                break;
            }
        }
        if (best == 0) {
            ++t;
            continue;
        }
        out.append(text, copied, first.start - copied);
        const std::size_t at = out.size();
        out.append(*replacement);
        if (at < out.size() && classes.In(static_cast<unsigned char>(text[first.start]), kVelikeCrke)) {
            out[at] = classes.ToUpper(out[at]);
        }
        copied = tokens[t + best - 1].end;
        t += best;
        if (out.size() >= limit) break;
    }
    if (copied == 0 && out.empty()) return;  // nothing replaced
    if (out.size() < limit) out.append(text, copied, std::string::npos);
    if (out.size() > limit) out.resize(limit);
    text = std::move(out);
}

}  // namespace tarvox
