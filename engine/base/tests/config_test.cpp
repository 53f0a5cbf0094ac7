#include "base/config.h"

#include <gtest/gtest.h>

#include "base/diag.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

constexpr char kPaths[] =
    "ini_mikro = mikro.ini\nini_makro = makro.ini\nini_gfp = gfp.ins\n"
    "dct_dir = slovarji\nstat_dir = stat/\nlog_dir = log\\\n";

TEST(ResolvePath, Cases) {
    struct Case {
        const char* base;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"", "data\\x.dat", "data\\x.dat"},
        {"C:\\Eng", "", ""},
        {"C:\\Eng", "data\\slovarji\\", "C:\\Eng\\data\\slovarji\\"},
        {"C:\\Eng\\", "mikro.ini", "C:\\Eng\\mikro.ini"},
        {"  C:\\Eng  ", "mikro.ini", "C:\\Eng\\mikro.ini"},
        {"C:\\Eng", ".\\mikro.ini", "C:\\Eng\\mikro.ini"},
        {"C:\\Eng", "C:\\Podatki\\gfp.ini", "C:\\Podatki\\gfp.ini"},
        {"C:\\Eng", "\\\\streznik\\x.ini", "\\\\streznik\\x.ini"},
        {"C:\\Eng", "/abs/x.ini", "/abs/x.ini"},
        {"C:\\Eng", ".\\C:x", ".\\C:x"},
        {"/home/v", ".\\data\\QuenlarOrin.dat", "/home/v\\data\\QuenlarOrin.dat"},
    };
    for (const Case& c : cases) {
        Configuration cfg;
        cfg.SetBaseDirectory(c.base);
        EXPECT_EQ(cfg.ResolvePath(c.name), c.expected) << c.base << " + " << c.name;
    }
}

TEST(ResolvePath, ResultIsCutTo1023Bytes) {
    Configuration cfg;
    cfg.SetBaseDirectory(std::string(2000, 'b'));
    EXPECT_EQ(cfg.BaseDirectory().size(), 1024u);
    EXPECT_EQ(cfg.ResolvePath("name").size(), 1023u);
}

TEST(Switches, RuleTable) {
    struct Case {
        const char* key;
        const char* value;
        bool Switches::*field;
        bool before;
        bool after;
    };
    const Case cases[] = {
        {"pisi_dnevnik", "TRUE ", &Switches::pisi_dnevnik, false, true},
        {"pisi_dnevnik", "yes", &Switches::pisi_dnevnik, false, false},
        {"pisi_dnevnik", "\tfalse\r\n", &Switches::pisi_dnevnik, true, false},
        {"pisi_dnevnik", "", &Switches::pisi_dnevnik, true, true},
        {"sumniki_z_narekovaji", "maybe", &Switches::sumniki_z_narekovaji, false, true},
        {"vzorci_v_pomnilniku", "maybe", &Switches::vzorci_v_pomnilniku, false, false},
        {"vzorci_v_pomnilniku", "True", &Switches::vzorci_v_pomnilniku, false, true},
        {"dovoli_nesifrirane_slovarje", "maybe", &Switches::dovoli_nesifrirane_slovarje, true, false},
        {"dovoli_uporabniske_slovarje", "true", &Switches::index_mode, true, false},
        {"dovoli_uporabniske_slovarje", "false", &Switches::index_mode, false, false},
        {"SMS_delovanje", "maybe", &Switches::sms_delovanje, true, true},
        {"kovrat_filter", "maybe", &Switches::kovrat_filter, true, false},
        {"podpirajASCII7", "TRUE", &Switches::podpiraj_ascii7, false, true},
        {"trajanje_po_nacrtu", "true", &Switches::trajanje_po_nacrtu, false, true},
        {"trajanje_po_nacrtu", "maybe", &Switches::trajanje_po_nacrtu, true, true},
        {"zdruzi_polovici_samoglasnika", "TRUE", &Switches::zdruzi_polovici_samoglasnika, false,
         true},
    };
    for (const Case& c : cases) {
        Configuration cfg;
        cfg.switches().*(c.field) = c.before;
        EXPECT_TRUE(cfg.ApplySwitch(c.key, c.value));
        EXPECT_EQ(cfg.switches().*(c.field), c.after) << c.key << " = '" << c.value << "'";
    }
    Configuration cfg;
    EXPECT_FALSE(cfg.ApplySwitch("port", "1"));
}

class SintIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearError();
        cfg.SetBaseDirectory(dir.path().string());
    }
    TempDir dir;
    Configuration cfg;
};

TEST_F(SintIniTest, ReadsPathsDirectoriesAndSwitches) {
    dir.Write("sint.ini", std::string(kPaths) +
                              "port = 0x10\npisi_dnevnik = false\nvzorci_v_pomnilniku = true\n"
                              "SMS_delovanje = true\ntrajanje_po_nacrtu = true\n");
    ASSERT_EQ(cfg.ProcessSintIni(), 0);
    const std::string b = dir.path().string() + "\\";
    EXPECT_EQ(cfg.IniMikro(), b + "mikro.ini");
    EXPECT_EQ(cfg.IniGfp(), b + "gfp.ins");
    EXPECT_EQ(cfg.DctDir(), b + "slovarji\\");
    EXPECT_EQ(cfg.StatDir(), b + "stat\\");
    EXPECT_EQ(cfg.LogDir(), b + "log\\");
    EXPECT_EQ(cfg.Port(), 16);
    EXPECT_FALSE(cfg.switches().pisi_dnevnik);
    EXPECT_TRUE(cfg.switches().vzorci_v_pomnilniku);
    EXPECT_TRUE(cfg.switches().sms_delovanje);
    EXPECT_TRUE(cfg.switches().trajanje_po_nacrtu);
    EXPECT_FALSE(ErrorFlag());
}

TEST_F(SintIniTest, MissingPortIsReportedButNotAFailure) {
    dir.Write("sint.ini", kPaths);
    ASSERT_EQ(cfg.ProcessSintIni(), 0);
    EXPECT_EQ(cfg.Port(), 10150);
    EXPECT_EQ(LastError(), "Port ni podan. Privzeta vrdnost 10150\n");
}

TEST_F(SintIniTest, MissingFileAndMissingKeys) {
    EXPECT_EQ(cfg.ProcessSintIni(), -1);
    EXPECT_EQ(LastError(), "Ni inicializacijske datoteke (SINT.INI)");

    const char* keys[] = {"ini_mikro", "ini_makro", "ini_gfp", "dct_dir", "stat_dir", "log_dir"};
    for (const char* key : keys) {
        std::string content = kPaths;
        const std::size_t at = content.find(std::string(key) + " =");
        content.replace(at, 1, "#");
        dir.Write("sint.ini", content);
        Configuration fresh;
        fresh.SetBaseDirectory(dir.path().string());
        EXPECT_EQ(fresh.ProcessSintIni(), -1) << key;
        EXPECT_EQ(LastError(), std::string("Napaka: Sint_locat (") + key + ")");
    }
}

TEST_F(SintIniTest, OverlongValuesAreErrorsNotOverflows) {
    dir.Write("sint.ini", "ini_gfp = " + std::string(300, 'g') + "\n" + kPaths);
    EXPECT_EQ(cfg.ProcessSintIni(), -1);
    EXPECT_EQ(LastError(), "Napaka: Sint_locat (ini_gfp)");

    dir.Write("sint.ini", std::string(kPaths) + "pisi_dnevnik = " + std::string(200, 'x') + "\n");
    Configuration fresh;
    fresh.SetBaseDirectory(dir.path().string());
    EXPECT_EQ(fresh.ProcessSintIni(), 0);
    EXPECT_EQ(LastError(), "Napaka: Sint_locat (pisi_dnevnik)");
    EXPECT_TRUE(fresh.switches().pisi_dnevnik);
}

}  // namespace
}  // namespace tarvox
