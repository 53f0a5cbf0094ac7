#include "gfp/normalisation.h"

#include "lexicon/char_classes.h"

namespace tarvox {
namespace {

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

void PassThrough(std::string_view in, std::string& out, std::size_t limit) {
    out.assign(in.substr(0, limit));
}

}  // namespace

int Normalisation::PrepareNumbers(Profile&) { return 0; }
int Normalisation::PrepareAbbreviations(Profile&) { return 0; }
int Normalisation::PrepareTimes(Profile&) { return 0; }

void Normalisation::Release() {
    pending_.clear();
    pending_.shrink_to_fit();
    read_ = 0;
}

void Normalisation::FilterCharacters(std::string_view in, std::string& out) const {
    PassThrough(in, out, kWholeTextSize);
}

void Normalisation::ExpandTimes(std::string_view in, std::string& out) const {
    PassThrough(in, out, kWholeTextSize);
}

void Normalisation::ExpandAbbreviations(std::string_view in, std::string& out) const {
    PassThrough(in, out, kWholeTextSize);
}

void Normalisation::SubstitutePhrases(std::string_view in, std::string& out) const {
    PassThrough(in, out, kWholeTextSize);
}

bool Normalisation::IsFinal(unsigned char c) const {
    if (tables_.classes) return tables_.classes->In(c, kKoncnaLocila);
    return c == '.' || c == '!' || c == '?';
}

bool Normalisation::IsPunctuation(unsigned char c) const {
    if (tables_.classes) return tables_.classes->IsPunctuation(c);
    return c == '.' || c == '!' || c == '?' || c == ',' || c == ';' || c == ':';
}

int Normalisation::NextSentence(std::optional<std::string_view> text, std::string& sentence) {
    if (text) {
        pending_.assign(*text);
        read_ = 0;
    }
    sentence.clear();
    auto at = [this](std::size_t i) { return static_cast<unsigned char>(pending_[i]); };
    while (read_ < pending_.size() && (IsWhite(pending_[read_]) || IsPunctuation(at(read_))))
        ++read_;
    if (read_ >= pending_.size()) {
        pending_.clear();
        read_ = 0;
        return 0;
    }
    // Room for the closing " ." within the buffer.
    const std::size_t limit = kWholeTextSize - 2;
    auto put_blank = [&sentence] {
        if (!sentence.empty() && sentence.back() != ' ') sentence.push_back(' ');
    };
    while (read_ < pending_.size() && sentence.size() + 2 < limit) {
        const char c = pending_[read_++];
        if (IsWhite(c)) {
            put_blank();
            continue;
        }
        if (!IsPunctuation(static_cast<unsigned char>(c))) {
            sentence.push_back(c);
            continue;
        }
        put_blank();
        sentence.push_back(c);
        sentence.push_back(' ');
        if (IsFinal(static_cast<unsigned char>(c)) &&
            (read_ >= pending_.size() || IsWhite(pending_[read_])))
            break;
    }
    while (!sentence.empty() && sentence.back() == ' ') sentence.pop_back();
    if (sentence.empty() || !IsFinal(static_cast<unsigned char>(sentence.back())))
        sentence += " .";
    return static_cast<int>(sentence.size());
}

void Normalisation::ExpandUnits(std::string_view in, std::string& out) const {
    PassThrough(in, out, kWholeTextSize);
}

int Normalisation::ExpandNumbers(std::string_view in, std::string& out) const {
    PassThrough(in, out, kWholeTextSize);
    return 0;
}

void Normalisation::Capitalise(std::string_view in, std::string& out) const {
    PassThrough(in, out, kWholeTextSize);
}

}  // namespace tarvox
