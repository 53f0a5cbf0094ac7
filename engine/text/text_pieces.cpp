#include "text/text_pieces.h"

namespace tarvox {
namespace {

// Length of the first piece of `text` (at most `limit` bytes).
std::size_t Cut(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    const std::string_view window = text.substr(0, limit);
    if (auto p = window.rfind("\n\n"); p != std::string_view::npos && p > 0) return p + 2;
    if (auto p = window.rfind('\n'); p != std::string_view::npos && p > 0) return p + 1;
    for (std::size_t i = limit - 1; i > 0; --i) {
        const char c = window[i - 1];
        if ((c == '.' || c == '!' || c == '?') && (window[i] == ' ' || window[i] == '\t'))
            return i + 1;
    }
    if (auto p = window.find_last_of(" \t"); p != std::string_view::npos && p > 0) return p + 1;
    return limit;
}

}  // namespace

std::size_t FirstPieceSize(std::string_view text, std::size_t limit) {
    return Cut(text, limit == 0 ? 1 : limit);
}

std::vector<std::string_view> SplitIntoPieces(std::string_view text, std::size_t limit) {
    std::vector<std::string_view> pieces;
    if (limit == 0) limit = 1;
    while (!text.empty()) {
        const std::size_t n = Cut(text, limit);
        pieces.push_back(text.substr(0, n));
        text.remove_prefix(n);
    }
    return pieces;
}

}  // namespace tarvox
