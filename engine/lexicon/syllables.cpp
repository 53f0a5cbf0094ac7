#include "lexicon/syllables.h"

namespace tarvox {

std::size_t FilajArray(std::string_view, std::vector<StressRecord>&) { return 0; }
std::size_t FilajArray(std::string_view, std::vector<QualityRecord>&) { return 0; }
int DeljenjeNaZloge(std::string_view, std::vector<Syllable>& s) {
    s.assign(1, Syllable{});
    return 1;
}
int Syllabifier::pripravi_zlogovanje(Profile&, std::string_view, char) { return -1; }
bool Syllabifier::DolociZvocnost(std::span<const int>, std::string&) const { return false; }
bool Syllabifier::DolociZvocnostGT(std::string_view, std::string&) const { return false; }
void Syllabifier::AnalizaBesede(std::string_view, WordAnalysis&) const {}
int Syllabifier::StressFromSonorityTable(const WordAnalysis&) const { return 0; }
int Syllabifier::StressFromVcTable(const WordAnalysis&) const { return 0; }
int Syllabifier::DefaultStress(const WordAnalysis&) const { return 1; }
int Syllabifier::ChooseStress(WordAnalysis& r) const { return r.stressed = 1; }
bool Syllabifier::DecideQuality(const WordAnalysis&, char, std::string&) const { return false; }
void Syllabifier::Release() {}

}  // namespace tarvox
