// tarvox-data: the voice data tool. Its command line is declared in one
// place (data_tool.cpp, the only file that sees the command-line library);
// each subcommand group has its arguments and a Run... function in its own
// source file, which returns the exit status (0 success, 1 failure).
#pragma once

#include <string>
#include <vector>

namespace tarvox::data {

// Parses the command line and runs the chosen subcommand; the process exit
// status. Messages go to stderr, results to stdout.
int RunDataTool(int argc, const char* const* argv);

// encipher-dictionary and encipher-profile: the output defaults to the
// input with ".dst" or ".ins".
struct EncipherArgs {
    std::string input, output;
};
int RunEncipherDictionary(const EncipherArgs& args);
int RunEncipherProfile(const EncipherArgs& args);

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
// build-index
int RunBuildIndex(const BuildIndexOptions& options);

// The path with its extension replaced (".dst" for "x.dct").
std::string ReplaceExtension(const std::string& path, const std::string& extension);

// A subcommand's end: the error on stderr and 1, or "wrote <what>" on
// stdout and 0 when `error` is empty.
int ReportWritten(const std::string& error, const std::string& what);

}  // namespace tarvox::data
