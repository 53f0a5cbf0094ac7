// tarvox-data: the voice data tool. Every subcommand group adds itself to
// the command line through an Add...Commands function; a later group (voice
// database, syllable statistics, ...) adds its own source file and one line
// in RunDataTool.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tarvox::data {

// Exit status of the subcommand that ran: 0 success, 1 failure.
struct CommandStatus {
    int code = 0;
};

void AddDictionaryCommands(CLI::App& app, CommandStatus& status);
void AddProfileCommands(CLI::App& app, CommandStatus& status);

// Parses the command line and runs the chosen subcommand; the process exit
// status. Messages go to stderr, results to stdout.
int RunDataTool(int argc, const char* const* argv);

// The work behind the subcommands, without the command line. Each returns
// an empty string on success, else the reason of the failure.
std::string EncipherDictionaryFile(const std::string& input, const std::string& output);
std::string EncipherProfileFile(const std::string& input, const std::string& output);

struct BuildIndexOptions {
    // Dictionary files (".dct" plain, ".dst" enciphered) and directories
    // (their files in sorted order), in this order.
    std::vector<std::string> sources;
    // Names of "prioriteta_slovarjev": the first has the highest priority.
    std::vector<std::string> priorities;
    // A converter profile to take "prioriteta_slovarjev" from (when no
    // priorities are given).
    std::string profile;
    std::string output;
};
// Builds the index file; `entries` receives the entry count.
std::string BuildDictionaryIndex(const BuildIndexOptions& options, std::size_t& entries);

// The path with its extension replaced (".dst" for "x.dct").
std::string ReplaceExtension(const std::string& path, const std::string& extension);

}  // namespace tarvox::data
