#include "lexicon/char_classes.h"

#include <string_view>

#include "base/diag.h"
#include "base/profile.h"

namespace tarvox {
namespace {

struct ClassVariable {
    const char* name;
    int cls;
};

// The reading order of the class strings.
constexpr ClassVariable kClassVariables[] = {
    {"cifre", kCifre},
    {"male_crke", kMaleCrke},
    {"velike_crke", kVelikeCrke},
    {"koncna_locila", kKoncnaLocila},
    {"nekoncna_locila", kNekoncnaLocila},
    {"dodatna_locila", kDodatnaLocila},
    {"posebni_znaki", kPosebniZnaki},
    {"dodatni_znaki", kDodatniZnaki},
    {"samoglasniki", kSamoglasniki},
    {"soglasniki", kSoglasniki},
    {"sogl_pr", kSoglPr},
    {"zvocniki", kZvocniki},
    {"nezv_sogl", kNezvSogl},
    {"zven_sogl", kZvenSogl},
    {"zven_nezvoc", kZvenNezvoc},
    {"glasovne_skupine", kGlasovneSkupine},
    {"sampa_locila", kSampaLocila},
};

}  // namespace

int CharClasses::Read(const Profile& profile) {
    for (const ClassVariable& v : kClassVariables) {
        for (auto& entry : table_) entry[v.cls] = 0;
        std::string value;
        const int length = profile.GetString(v.name, value);
        if (length <= 0 || static_cast<std::size_t>(length) > kMaxClassString) {
            ReportError(std::string("Napaka 1 pri branju sibmolov ") + v.name + "\n");
            return -1;
        }
        if (v.cls == kVelikeCrke) upper_ = value;
        if (v.cls == kMaleCrke) lower_ = value;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\0') {
                ReportError(std::string("Napaka 2 pri branju sibmolov ") + v.name + "\n");
                return -1;
            }
            table_[static_cast<unsigned char>(value[i])][v.cls] = static_cast<std::uint8_t>(i + 1);
        }
    }
    std::string forced;
    if (profile.GetString("Vsiljeni_presledek", forced) > 0) forced_separator_ = forced[0];
    return 0;
}

char CharClasses::ToLower(char c) const {
    const std::uint8_t pos = Position(static_cast<unsigned char>(c), kVelikeCrke);
    if (pos == 0 || pos > lower_.size()) return c;
    return lower_[pos - 1u];
}

char CharClasses::ToUpper(char c) const {
    const std::uint8_t pos = Position(static_cast<unsigned char>(c), kMaleCrke);
    if (pos == 0 || pos > upper_.size()) return c;
    return upper_[pos - 1u];
}

void CharClasses::ToLower(std::string& s) const {
    for (char& c : s) c = ToLower(c);
}

void CharClasses::ToUpper(std::string& s) const {
    for (char& c : s) c = ToUpper(c);
}

}  // namespace tarvox
