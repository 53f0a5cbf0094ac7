#include "data_tool.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>

#include "base/diag.h"
#include "voice_builder.h"
#include "voice_registration.h"

namespace tarvox::data {

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    std::filesystem::path p(path);
    p.replace_extension(extension);
    return p.string();
}

int RunDataTool(int argc, const char* const* argv) {
    CLI::App app{"tarvox-data: builds and converts the data files of a tarvox voice"};
    app.require_subcommand(1);
    CommandStatus status;
    AddDictionaryCommands(app, status);
    AddProfileCommands(app, status);
    AddVoiceCommands(app, status);
    AddVoiceRegistrationCommands(app, status);
    // Messages of the engine's loaders (skipped files and the like) are
    // shown as they are reported.
    SetTraceHook([](std::string_view text) { std::cerr << "tarvox-data: " << text << "\n"; });
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        SetTraceHook({});
        return app.exit(e);
    }
    SetTraceHook({});
    return status.code;
}

}  // namespace tarvox::data
