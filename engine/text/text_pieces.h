// Cutting a long text into pieces that fit the converter's text buffer, at
// the best boundary inside the limit: an empty line, a line end, a sentence
// end followed by a blank, a blank, and only when there is none of these, at
// the limit itself. No character is lost: the pieces joined give the text.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tarvox {

inline constexpr std::size_t kConverterTextLimit = 10240;

std::vector<std::string_view> SplitIntoPieces(std::string_view text,
                                              std::size_t limit = kConverterTextLimit);
// The length of the first of those pieces.
std::size_t FirstPieceSize(std::string_view text, std::size_t limit = kConverterTextLimit);

}  // namespace tarvox
