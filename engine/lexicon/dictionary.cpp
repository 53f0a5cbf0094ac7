#include "lexicon/dictionary.h"

namespace tarvox {

DictionaryPriorities DictionaryPriorities::FromProfile(Profile&) { return {}; }
std::uint8_t DictionaryPriorities::Of(std::string_view) const { return 0; }
DictionarySettings DictionarySettings::From(const Configuration&, Profile&) { return {}; }
int Dictionary::Load(const DictionarySettings&) { return -1; }
int Dictionary::LoadIndex(std::string_view) { return -1; }
int Dictionary::LoadFiles(std::string_view, bool, const DictionaryPriorities&) { return -1; }
int Dictionary::LoadFileList(std::span<const std::string>, bool, const DictionaryPriorities&) {
    return -1;
}
std::optional<std::string_view> Dictionary::Lookup(std::string_view) const { return std::nullopt; }
std::optional<DictionaryRun> Dictionary::LookupRun(std::string_view, std::size_t) const {
    return std::nullopt;
}
Dictionary::EntryView Dictionary::Entry(std::size_t) const { return {}; }
void Dictionary::Release() {
    buffer_.clear();
    entries_.clear();
}
int PhraseList::Load(std::string_view) { return -1; }
std::optional<std::string_view> PhraseList::Lookup(std::string_view) const { return std::nullopt; }
void PhraseList::Release() {
    buffer_.clear();
    lines_.clear();
}
int ComparePhraseKeys(std::string_view a, std::string_view b) { return a.compare(b); }

}  // namespace tarvox
