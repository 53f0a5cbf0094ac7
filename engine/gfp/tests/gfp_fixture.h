// A small voice for the converter tests: the fixture profile, the six
// syllable tables, a plain dictionary and sint.ini, all written into a
// temporary directory.
#pragma once

#include <string>

#include "base/config.h"
#include "gfp/tests/gfp_profile.h"
#include "support/test_files.h"

namespace tarvox::testing {

// Dictionary switches of sint.ini: file mode with plain dictionaries.
inline constexpr char kFileMode[] =
    "dovoli_uporabniske_slovarje = true\ndovoli_nesifrirane_slovarje = true\n";

struct Voice {
    TempDir dir;
    Configuration config;

    // Writes everything and reads sint.ini; `dictionary` is the content of
    // "slovarji/osnovni.dct" (key, tab, pronunciation, CRLF per line).
    void Write(const GfpProfile& profile = GfpProfile(), const StatTables& stat = StatTables(),
               const std::string& dictionary = "", const std::string& switches = kFileMode) {
        dir.Write("sint.ini",
                  "ini_mikro = mikro.ini\nini_makro = makro.ini\nini_gfp = gfp.ini\n"
                  "dct_dir = slovarji\nstat_dir = stat\nlog_dir = log\n" +
                      switches);
        dir.Write("gfp.ini", profile.Text());
        dir.Write("stat/vzn.out", stat.vzn);
        dir.Write("stat/vc.out", stat.vc);
        dir.Write("stat/vzn_e.out", stat.vzn_e);
        dir.Write("stat/vzn_o.out", stat.vzn_o);
        dir.Write("stat/vc_e.out", stat.vc_e);
        dir.Write("stat/vc_o.out", stat.vc_o);
        dir.Write("slovarji/osnovni.dct", dictionary);
        dir.Write("log/.keep", "");
        config.SetBaseDirectory(dir.path().string());
        config.ProcessSintIni();
    }

    std::string GfpPath() const { return config.IniGfp(); }
};

}  // namespace tarvox::testing
