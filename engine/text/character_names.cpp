#include "text/character_names.h"

namespace tarvox {

const char* CharacterNameOf(unsigned char) { return "."; }

}  // namespace tarvox
