// The real stages of the engine: the converter, micro and macro prosody and
// the waveform generator.
#pragma once

#include "base/stages.h"

namespace tarvox {

StageFactory DefaultStages();

}  // namespace tarvox
