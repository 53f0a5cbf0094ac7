#include "lexicon/sampa.h"

#include <cstring>
#include <string>

#include "base/diag.h"

namespace tarvox {

const std::array<SampaRow, 40> kSampaTable = {{
    {" ", ' '},  {"_", ' '},  {"@", '@'},  {"@:", '%'}, {"E", 'E'},  {"E:", '3'}, {"I", 'I'},
    {"O", 'O'},  {"O:", '0'}, {"S", 'S'},  {"U", 'U'},  {"Z", 'Z'},  {"a", 'a'},  {"a:", 'A'},
    {"b", 'b'},  {"d", 'd'},  {"e:", 'e'}, {"f", 'f'},  {"g", 'g'},  {"h", 'h'},  {"i", 'i'},
    {"i:", '1'}, {"j", 'j'},  {"k", 'k'},  {"l", 'l'},  {"m", 'm'},  {"n", 'n'},  {"o:", 'o'},
    {"p", 'p'},  {"r", 'r'},  {"s", 's'},  {"t", 't'},  {"u", 'u'},  {"u:", '9'}, {"v", 'v'},
    {"w", 'w'},  {"W", 'W'},  {"z", 'z'},  {"-", '-'},  {"=", '='},
}};

void SampaTables::Build() {
    forward_.assign(128 * 128, Forward{});
    reverse_.fill(Reverse{});
    for (const SampaRow& row : kSampaTable) {
        const auto c0 = static_cast<unsigned char>(row.name[0]);
        const auto c1 = row.name.size() > 1 ? static_cast<unsigned char>(row.name[1]) : 0;
        Forward& f = forward_[(c0 & 0x7F) * 128u + (c1 & 0x7F)];
        std::memcpy(f.name, row.name.data(), row.name.size());
        f.symbol[0] = row.symbol;
        Reverse& r = reverse_[static_cast<unsigned char>(row.symbol) & 0x7F];
        r = Reverse{};
        std::memcpy(r.name, row.name.data(), row.name.size());
        r.symbol = static_cast<unsigned char>(row.symbol);
    }
}

const SampaTables::Forward* SampaTables::Lookup(unsigned char c0, unsigned char c1) const {
    const Forward& f = forward_[(c0 & 0x7F) * 128u + (c1 & 0x7F)];
    // A slot answers only for the name it holds (bytes above 0x7F alias).
    if (f.name[0] == '\0' || static_cast<unsigned char>(f.name[0]) != c0 ||
        static_cast<unsigned char>(f.name[1]) != c1)
        return nullptr;
    return &f;
}

std::string_view SampaTables::ConvertSAMPA(std::string_view name) const {
    const Forward* f = nullptr;
    if (name.size() == 1 || name.size() == 2)
        f = Lookup(static_cast<unsigned char>(name[0]),
                   name.size() == 2 ? static_cast<unsigned char>(name[1]) : 0);
    if (!f) {
        ReportError("Znak <" + std::string(name) + "> ni SAMPA simbol!");
        return {};
    }
    return std::string_view(f->symbol, 1);
}

std::string_view SampaTables::SampaOf(unsigned char symbol) const {
    const Reverse& r = reverse_[symbol & 0x7F];
    if (r.name[0] == '\0' || r.symbol != symbol) {
        if (symbol != '$' && symbol != '#')
            ReportError(std::string("Character <") + static_cast<char>(symbol) +
                        "> is not a valid 1B symbol!");
        return {};
    }
    return std::string_view(r.name, std::strlen(r.name));
}

bool SampaTables::IsSampaString(std::string_view text) const {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c0 = static_cast<unsigned char>(text[i]);
        if (i + 1 < text.size() && Lookup(c0, static_cast<unsigned char>(text[i + 1]))) {
            i += 2;
        } else if (Lookup(c0, 0)) {
            i += 1;
        } else {
            return false;
        }
    }
    return true;
}

const SampaTables& Sampa() {
    // Built once, on first use, and never changed.
    static const SampaTables tables;
    return tables;
}
std::string_view ConvertSAMPA(std::string_view name) { return Sampa().ConvertSAMPA(name); }
std::string_view SampaOfSymbol(unsigned char symbol) { return Sampa().SampaOf(symbol); }
bool IsSampaString(std::string_view text) { return Sampa().IsSampaString(text); }

}  // namespace tarvox
