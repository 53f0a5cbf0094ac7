// A small converter profile for the text tests and the text benchmark: the
// class strings, number words for 0 to 999 (composed the Slovenian way),
// months, endings, hour, minute and second words and a few abbreviations,
// all in the internal letter code.
#pragma once

#include <string>
#include <vector>

namespace tarvox::testing {

inline const char* const kUnits[10] = {"ni~", "ena", "dva", "tri", "{tiri",
                                       "pet", "{est", "sedem", "osem", "devet"};
inline const char* const kTeens[10] = {"deset",     "enajst",     "dvanajst",   "trinajst",
                                       "{tirinajst", "petnajst",  "{estnajst", "sedemnajst",
                                       "osemnajst", "devetnajst"};
inline const char* const kTens[10] = {"",        "",         "dvajset",  "trideset", "{tirideset",
                                      "petdeset", "{estdeset", "sedemdeset", "osemdeset",
                                      "devetdeset"};
inline const char* const kHundreds[9] = {"sto",    "dvesto",  "tristo",   "{tiristo", "petsto",
                                         "{eststo", "sedemsto", "osemsto", "devetsto"};
inline const char* const kOrdinalStems[10] = {"ni~t", "prv",  "drug", "tretj", "~etrt",
                                              "pet",  "{est", "sedm", "osm",   "devet"};

// Cardinal word for 0 to 99 ("petindvajset").
inline std::string Cardinal(int n) {
    if (n < 10) return kUnits[n];
    if (n < 20) return kTeens[n - 10];
    if (n % 10 == 0) return kTens[n / 10];
    return std::string(n % 10 == 1 ? "ena" : kUnits[n % 10]) + "in" + kTens[n / 10];
}

inline std::string OrdinalStem(int n) { return n < 10 ? kOrdinalStems[n] : Cardinal(n); }

inline std::string List(const std::vector<std::string>& items, char sep = '\t') {
    std::string s;
    for (const auto& item : items) {
        if (!s.empty()) s.push_back(sep);
        s += item;
    }
    return s;
}

inline std::string NumberWordsProfile() {
    std::vector<std::string> cardinals;
    std::vector<std::string> stems;
    for (int i = 0; i < 100; ++i) {
        cardinals.push_back(Cardinal(i));
        stems.push_back(OrdinalStem(i));
    }
    for (const char* h : kHundreds) {
        cardinals.push_back(h);
        stems.push_back(h);
    }
    return "gl_stevnik = " + List(cardinals) + "\n" + "vrst_koren = " + List(stems) + "\n" +
           "mesec = januarja\tfebruarja\tmarca\taprila\tmaja\tjunija\tjulija\tavgusta\t"
           "septembra\toktobra\tnovembra\tdecembra\n"
           "nasl_konc_mes = a\n"
           "vrst_konc_mes = ega\n"
           "nasl_konc = em\tih\ta\n"
           "vrst_konc = em\tih\ti\n";
}

inline std::string TimeWordsProfile() {
    std::vector<std::string> plain, ob, okoli, minutes;
    for (int h = 0; h < 24; ++h) {
        plain.push_back(Cardinal(h));
        ob.push_back(OrdinalStem(h) + "ih");
        okoli.push_back(OrdinalStem(h) + "e");
    }
    for (int m = 0; m < 60; ++m) minutes.push_back(Cardinal(m));
    return "ure = " + List(plain) + "\n" + "ure_ob = " + List(ob) + "\n" +
           "ure_okoli = " + List(okoli) + "\n" + "minute = " + List(minutes) + "\n" +
           "sekunde = " + List(minutes) + "\n" +
           "govori_nic_minut_ali_sekund = 0\n"
           "veznik_1 =  in \n"
           "veznik_2 = ur\n"
           "veznik_3 = ura\n"
           "ure_ob_besede = ob, po\n"
           "ure_okoli_besede = okoli,okrog\n";
}

inline constexpr char kClassStrings[] =
    "cifre = 0123456789\n"
    "male_crke = abcdefghijklmnopqrstuvwxyz~{`\n"
    "velike_crke = ABCDEFGHIJKLMNOPQRSTUVWXYZ^[@\n"
    "koncna_locila = .!?]}\n"
    "nekoncna_locila = ,;:\n"
    "dodatna_locila = |\n"
    "posebni_znaki = \"'\\-+*/%&$=<>()_#\n"
    "dodatni_znaki = \xA7\n"
    "samoglasniki = aeiou\n"
    "soglasniki = bcdfghjklmnprstvz~{`\n"
    "sogl_pr = bdg\n"
    "zvocniki = jlmnrv\n"
    "nezv_sogl = cfhkpst~{\n"
    "zven_sogl = bdgz`\n"
    "zven_nezvoc = bdgz`\n"
    "glasovne_skupine = 0VCPZNSG\n"
    "sampa_locila = .,!?\n"
    "Vsiljeni_presledek = #\n";

inline constexpr char kAbbreviations[] =
    "okrajsave = npr.\tna primer\tdr.\tdoktor\tkm/h\tkilometrov na uro\t"
    "itd.\tin tako dalje\tsv.\tsveti\n";

inline std::string FixtureProfile() {
    return std::string(kClassStrings) + NumberWordsProfile() + TimeWordsProfile() + kAbbreviations;
}

}  // namespace tarvox::testing
