// The language-data subcommands of a voice's pronouncing lexicon:
//
//   dictionary LEXICON OUT.dct
//   stats LEXICON GFP_PROFILE OUT_DIR [--leave-out K] [--min-stress-words N]
//         [--min-quality-words N]
//   evaluate VOICE_DIR LEXICON [--part held-out|training|foldK] [--show N]
//            [--letter-code] [--no-dictionary]
//
// They make the tool tarvox-langdata and are also subcommands of
// tarvox-data.
#pragma once

#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace tarvox::langdata {

// Adds the three subcommands to a command line; `status` receives the exit
// status of the one that ran (0 success, 1 failure) and must outlive the
// parse.
void AddLangdataCommands(CLI::App& app, int& status);

// Whether a command-line word names one of the subcommands.
bool IsLangdataCommand(std::string_view word);

// A whole tool made of these subcommands: parses the command line, runs the
// chosen one and returns the process exit status.
int RunLangdataTool(int argc, const char* const* argv, const std::string& description);

}  // namespace tarvox::langdata
