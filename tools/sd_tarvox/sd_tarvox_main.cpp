// sd_tarvox: the speech-dispatcher output module of tarvox. The server
// starts it as `sd_tarvox <configuration file>` and talks the module
// protocol on standard input and output; messages go to standard error
// (the server's log).
#include <csignal>
#include <iostream>
#include <string>

#include "default_voice.h"
#include "module_session.h"

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    tarvox::sd::SessionOptions options;
    options.config_file = argc > 1 ? argv[1] : "";
    // The voice spoken when the configuration names none: the one installed
    // under the same prefix (PREFIX/lib/speech-dispatcher-modules/sd_tarvox ->
    // PREFIX/share/tarvox/voices/quenlar-orin), else the build tree's.
    options.default_voice_directory =
        tarvox::tools::DefaultVoice(TARVOX_DEFAULT_VOICE, TARVOX_INSTALLED_VOICE);
    tarvox::sd::FdSink out(1);
    tarvox::sd::ModuleSession session(out, options);
    session.Run(std::cin);
    return 0;
}
