// The voice a program speaks with when it is not told one.
#pragma once

#include <string>

namespace tarvox::tools {

// The voice installed under the program's own prefix (`installed`, relative
// to the directory of the running program, e.g.
// "../share/tarvox/voices/quenlar-orin" beside PREFIX/bin), or else, for a
// program in the build tree, the build tree's voice `built`. An installed
// program never speaks with a build tree's voice.
std::string DefaultVoice(const std::string& built, const std::string& installed);

}  // namespace tarvox::tools
