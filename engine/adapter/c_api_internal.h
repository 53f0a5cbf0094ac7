// What the C interface shows its tests: the stages that the engines of
// voices opened from now on are made with (the real ones by default).
#pragma once

#include "base/stages.h"

namespace tarvox {

void SetStagesOfNewVoices(StageFactory factory);

}  // namespace tarvox
