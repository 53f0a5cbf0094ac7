#include "text/text_alignment.h"

#include <algorithm>

namespace tarvox {
namespace {

// A stretch this long that reads the same in both texts ends a replaced
// stretch; replacements are searched this far ahead in either text.
constexpr std::size_t kAnchor = 6;
constexpr std::size_t kWindow = 64;

bool SameAt(std::string_view a, std::size_t i, std::string_view b, std::size_t j) {
    if (i + kAnchor > a.size() || j + kAnchor > b.size()) {
        // Near the ends: what is left of both must agree to the end.
        const std::size_t n = std::min(a.size() - i, b.size() - j);
        return n > 0 && a.size() - i == b.size() - j && a.substr(i, n) == b.substr(j, n);
    }
    return a.substr(i, kAnchor) == b.substr(j, kAnchor);
}

}  // namespace

std::vector<std::size_t> AlignRewritten(std::string_view original, std::string_view rewritten) {
    std::vector<std::size_t> map(rewritten.size() + 1, original.size());
    std::size_t i = 0;  // original
    std::size_t j = 0;  // rewritten
    while (j < rewritten.size()) {
        if (i < original.size() && original[i] == rewritten[j]) {
            map[j++] = i++;
            continue;
        }
        // A replaced stretch: the nearest place (fewest bytes skipped in
        // both texts together) where the two read alike again.
        bool found = false;
        std::size_t skip_i = 0, skip_j = 0;
        for (std::size_t d = 1; d <= 2 * kWindow && !found; ++d) {
            for (std::size_t a = d > kWindow ? d - kWindow : 0; a <= std::min(d, kWindow); ++a) {
                const std::size_t b = d - a;
                if (i + a > original.size() || j + b > rewritten.size()) continue;
                if (SameAt(original, i + a, rewritten, j + b)) {
                    skip_i = a;
                    skip_j = b;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            // Nothing alike within reach: the rest is spread evenly over
            // the rest of the original.
            const std::size_t rest_r = rewritten.size() - j;
            const std::size_t rest_o = original.size() - std::min(i, original.size());
            for (std::size_t k = 0; k < rest_r; ++k)
                map[j + k] = std::min(original.size(), i + rest_o * k / rest_r);
            return map;
        }
        for (std::size_t k = 0; k < skip_j; ++k) map[j + k] = std::min(i, original.size());
        i += skip_i;
        j += skip_j;
    }
    return map;
}

}  // namespace tarvox
