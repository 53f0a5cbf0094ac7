// The two notations of a phoneme: its SAMPA name (one or two characters,
// "a:" for a long vowel) and the one-byte symbol under which the voice
// database knows it. A fixed table of 40 rows links them.
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace tarvox {

struct SampaRow {
    std::string_view name;
    char symbol;
};

// The table in its stored order.
extern const std::array<SampaRow, 40> kSampaTable;

class SampaTables {
public:
    SampaTables() { Build(); }
    // Clears both lookups and fills them from the table.
    void Build();
    // The one-byte symbol of a name as a one-character string, or "" after
    // reporting "Znak <name> ni SAMPA simbol!".
    std::string_view ConvertSAMPA(std::string_view name) const;
    // The SAMPA name of a byte symbol, or "" (reported unless "$" or "#").
    std::string_view SampaOf(unsigned char symbol) const;
    // Whether the text cuts completely into table names (pairs first).
    bool IsSampaString(std::string_view text) const;

private:
    struct Forward {
        char name[3];
        char symbol[2];
    };
    struct Reverse {
        char name[3];
        unsigned char symbol;
    };
    const Forward* Lookup(unsigned char c0, unsigned char c1) const;

    std::vector<Forward> forward_;  // 16,384 slots: (c0 & 0x7F) * 128 + (c1 & 0x7F)
    std::array<Reverse, 128> reverse_{};
};

// The lookups of the fixed table, built once and constant.
const SampaTables& Sampa();
std::string_view ConvertSAMPA(std::string_view name);
std::string_view SampaOfSymbol(unsigned char symbol);
bool IsSampaString(std::string_view text);

}  // namespace tarvox
