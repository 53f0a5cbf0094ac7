// Subcommands for the pronunciation dictionaries:
//   encipher-dictionary  plain ".dct" -> enciphered ".dst"
//   build-index          dictionary sources + priorities -> QuenlarOrin.ndx

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "data_tool.h"
#include "base/config.h"
#include "base/diag.h"
#include "base/files.h"
#include "base/profile.h"
#include "lexicon/dictionary.h"
#include "lexicon/dictionary_cipher.h"

namespace tarvox::data {
namespace {

std::string WriteFile(const std::string& path, std::span<const char> bytes) {
    // The output's directory is created when it is missing.
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(NativePath(path)).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    if (!out) return "cannot create " + path;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return "cannot write " + path;
    return {};
}

}  // namespace

std::string EncipherDictionaryFile(const std::string& input, const std::string& output) {
    const std::optional<std::vector<char>> plain = ReadWholeFile(input);
    if (!plain) return "cannot read " + input;
    return WriteFile(output, EncipherDictionary(*plain));
}

std::string BuildDictionaryIndex(const BuildIndexOptions& options, std::size_t& entries) {
    entries = 0;
    if (options.output.empty()) return "no output file given";
    std::vector<std::string> files;
    for (const std::string& source : options.sources) {
        if (std::filesystem::is_directory(NativePath(source))) {
            std::string dir = source;
            if (dir.back() != '/' && dir.back() != '\\') dir += '/';
            for (const std::string& name : ListFiles(source, "")) files.push_back(dir + name);
        } else if (PathExists(source)) {
            files.push_back(source);
        } else {
            return "no such dictionary source: " + source;
        }
    }

    DictionaryPriorities priorities(options.priorities);
    std::unique_ptr<Profile> profile;
    if (options.priorities.empty() && !options.profile.empty()) {
        profile = std::make_unique<Profile>(options.profile, HasExtension(options.profile, ".ins"));
        if (!profile->IsLoaded()) return "cannot read the profile " + options.profile;
        priorities = DictionaryPriorities::FromProfile(*profile);
    }

    Dictionary dictionary;
    ClearError();
    // The sources are the voice's own files: plain ones are always taken.
    if (dictionary.LoadFileList(files, true, priorities) != 0)
        return "cannot load the dictionaries: " + LastError();
    entries = dictionary.Size();
    return WriteFile(options.output, BuildIndexImage(dictionary));
}

int RunEncipherDictionary(const EncipherArgs& args) {
    const std::string out = args.output.empty() ? ReplaceExtension(args.input, ".dst") : args.output;
    return ReportWritten(EncipherDictionaryFile(args.input, out), out);
}

int RunBuildIndex(const BuildIndexOptions& options) {
    std::size_t entries = 0;
    const std::string error = BuildDictionaryIndex(options, entries);
    return ReportWritten(error, options.output + " (" + std::to_string(entries) + " entries)");
}

}  // namespace tarvox::data
