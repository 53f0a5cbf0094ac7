// Subcommands for the stage profiles:
//   encipher-profile  plain ".ini" -> enciphered ".ins"

#include <filesystem>
#include <fstream>
#include <iostream>

#include "data_tool.h"
#include "base/files.h"
#include "base/profile_cipher.h"

namespace tarvox::data {

std::string EncipherProfileFile(const std::string& input, const std::string& output) {
    const std::optional<std::vector<char>> plain = ReadWholeFile(input);
    if (!plain) return "cannot read " + input;
    const std::vector<char> image = EncipherProfile(*plain);
    // The output's directory is created when it is missing.
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(NativePath(output)).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    std::ofstream out(NativePath(output), std::ios::binary | std::ios::trunc);
    if (!out) return "cannot create " + output;
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) return "cannot write " + output;
    return {};
}

int RunEncipherProfile(const EncipherArgs& args) {
    const std::string out = args.output.empty() ? ReplaceExtension(args.input, ".ins") : args.output;
    return ReportWritten(EncipherProfileFile(args.input, out), out);
}

}  // namespace tarvox::data
