// The converter's fixture profile in the internal letter code, and the six
// syllable tables that go with it. Shared by the tests and the benchmark.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tarvox::testing {

// Letters of the fixture: the Slovenian alphabet with "~" (c with caron),
// "{" (s with caron) and the grave accent (z with caron).
inline constexpr char kLower[] = "abc~defghijklmnopqrs{tuvz`";
inline constexpr char kUpper[] = "ABC^DEFGHIJKLMNOPQRS[TUVZ@";

// One class digit per letter: vowels 1, sonorants 2, obstruents 3.
inline std::string LetterDigits() {
    std::string digits;
    for (const char c : std::string(kLower)) {
        if (std::string("aeiou").find(c) != std::string::npos)
            digits += '1';
        else if (std::string("jlmnrv").find(c) != std::string::npos)
            digits += '2';
        else
            digits += '3';
    }
    return digits;
}

inline std::vector<std::string> PhonemeNames() {
    return {"a", "a:", "e", "e:", "E", "E:", "i", "i:", "o", "o:", "O", "O:", "u",
            "u:", "@", "b", "d", "f", "g", "h", "j", "k", "l", "m", "n", "p",
            "r", "s", "S", "t", "ts", "tS", "v", "w", "z", "Z", "x"};
}

// One class digit per phoneme: vowels 1, sonorants 2, obstruents 3.
inline std::string PhonemeDigits() {
    std::string digits;
    for (const std::string& p : PhonemeNames()) {
        if (std::string("aeEiouO@").find(p[0]) != std::string::npos)
            digits += '1';
        else if (std::string("jlmnrvw").find(p[0]) != std::string::npos)
            digits += '2';
        else
            digits += '3';
    }
    return digits;
}

inline std::string Items(const std::vector<std::string>& items) {
    std::string s;
    for (std::size_t i = 0; i < items.size(); ++i) s += (i ? "\t" : "") + items[i];
    return s;
}

inline std::string Numbered(const std::string& stem, int count) {
    std::vector<std::string> v;
    for (int i = 0; i < count; ++i) v.push_back(stem + std::to_string(i));
    return Items(v);
}

// Profile variables by name; Text() writes them in name order.
struct GfpProfile {
    std::map<std::string, std::string> vars;

    GfpProfile() {
        vars = {
            {"cifre", "0123456789"},
            {"male_crke", kLower},
            {"velike_crke", kUpper},
            {"koncna_locila", ".!?"},
            {"nekoncna_locila", ",;:"},
            {"dodatna_locila", "-"},
            {"posebni_znaki", "%&"},
            {"dodatni_znaki", "*"},
            {"samoglasniki", "aeiou"},
            {"soglasniki", "bc~dfghjklmnprs{tvz`"},
            {"sogl_pr", "bdgz`"},
            {"zvocniki", "jlmnrv"},
            {"nezv_sogl", "c~fhkps{t"},
            {"zven_sogl", "bdgz`"},
            {"zven_nezvoc", "bdgz`"},
            // V vowel, C consonant, P sogl_pr, S sonorant, T voiceless, Z voiced
            {"glasovne_skupine", "VCPSTZ"},
            {"sampa_locila", ".,!?"},
            {"Vsiljeni_presledek", "+"},
            // Accent lists.
            {"prvi_zlog", "pra"},
            {"predpone", "po\tza"},
            {"koncppz", "ica"},
            {"koncpz", "ati\tega"},
            {"konczad", "ost"},
            // Letter-to-sound rules: stressed vowels long, the caron letters,
            // c, and v before a consonant or the word end.
            {"pravila",
             "=\t/a\t=\ta:\n=\t/e\t=\te:\n=\t/E\t=\tE:\n=\t/i\t=\ti:\n"
             "=\t/o\t=\to:\n=\t/O\t=\tO:\n=\t/u\t=\tu:\n=\t/r\t=\t@r\n"
             "=\t~\t=\ttS\n=\t{\t=\tS\n=\t`\t=\tZ\n=\tc\t=\tts\n"
             "=\tv\tC\tw\n=\tv\t_\tw\n"},
            // d before a voiceless consonant of the next word becomes t.
            {"pravila_slovar", "d\t_\tT\tt\n"},
            {"proklitike", "v\tk\ts\tz"},
            {"proklitike_ali_enklitike", "se\tje"},
            {"lepi_le_enkrat", "0"},
            // Syllables and inventories.
            {"Razvrstitev_grafemov", LetterDigits()},
            {"zlog_break", "\""},
            {"najverjetnejsi_zlogi", "1\t1\t2\t2"},
            {"Nabor_fonemov", Items(PhonemeNames())},
            {"Razvrstitev_fonemov", PhonemeDigits()},
            // Text tables (numbers, abbreviations, times).
            {"gl_stevnik", Numbered("st", 109)},
            {"vrst_koren", Numbered("vr", 109)},
            {"mesec", "januarja\tfebruarja"},
            {"nasl_konc_mes", "a"},
            {"vrst_konc_mes", "ega"},
            {"nasl_konc", "a\to"},
            {"vrst_konc", "a\to"},
            {"okrajsave", "npr\tna primer\ttj\tto je"},
            {"ure", Numbered("ura", 24)},
            {"ure_ob", Numbered("ob", 24)},
            {"ure_okoli", Numbered("okoli", 24)},
            {"minute", Numbered("min", 60)},
            {"sekunde", Numbered("sek", 60)},
            {"govori_nic_minut_ali_sekund", "0"},
            {"veznik_1", "in"},
            {"veznik_2", "in"},
            {"veznik_3", "ura"},
            {"ure_ob_besede", "ob"},
            {"ure_okoli_besede", "okoli"},
        };
    }

    std::string Text() const {
        std::string s;
        for (const auto& [name, value] : vars) {
            // Continuation lines must not start with a letter or digit.
            std::string v;
            for (const char c : value) {
                v += c;
                if (c == '\n') v += '\t';
            }
            s += name + " = " + v + "\n";
        }
        return s;
    }
};

// The syllable tables; keys use "." for the syllable break.
struct StatTables {
    std::string vzn = "zv.zv 2 7\n";               // mama: second syllable
    std::string vc = "cv.cv 1 3\ncv.cvc 2 1\n";    // kosa: first; sonority misses
    std::string vzn_e = "zzz/e 1\tX\n";
    std::string vzn_o = "n/o.nv\tO\n";             // k/osa -> k/Osa
    std::string vc_e = "c/e.cv\tE\n";
    std::string vc_o = "zzz/o\tX\n";
};

}  // namespace tarvox::testing
