// Names of single characters, spoken when a text is one character long.
#pragma once

namespace tarvox {

// The SAMPA name of a character from the character-name table, or ".".
const char* CharacterNameOf(unsigned char c);

}  // namespace tarvox
