// sd_tarvox: the speech-dispatcher output module of tarvox. The server
// starts it as `sd_tarvox <configuration file>` and talks the module
// protocol on standard input and output; messages go to standard error
// (the server's log).
#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>

#include "module_session.h"

namespace {

// The voice spoken when the configuration names none: the one installed
// under the same prefix (PREFIX/lib/speech-dispatcher-modules/sd_tarvox ->
// PREFIX/share/tarvox/voices/quenlar-orin), or else, for the program in the
// build tree, the build tree's bundled voice. An installed module never
// speaks with a build tree's voice.
std::string DefaultVoice() {
    namespace fs = std::filesystem;
    const std::string built = TARVOX_DEFAULT_VOICE;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty()) {
        const fs::path installed = self.parent_path() / TARVOX_INSTALLED_VOICE;
        if (fs::is_directory(installed, ec)) return installed.lexically_normal().string();
    }
    return built;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    tarvox::sd::SessionOptions options;
    options.config_file = argc > 1 ? argv[1] : "";
    options.default_voice_directory = DefaultVoice();
    tarvox::sd::FdSink out(1);
    tarvox::sd::ModuleSession session(out, options);
    session.Run(std::cin);
    return 0;
}
