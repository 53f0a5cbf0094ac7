// Minimal stages that let the pipeline run before (or without) the real
// ones: the converter hands back each sentence unchanged, the micro prosody
// gives every SAMPA letter 80 ms at 100 Hz, the macro prosody copies, and
// the waveform generator renders silence of the summed duration.
#pragma once

#include <memory>

#include "base/stages.h"

namespace tarvox {

std::unique_ptr<IConverter> MakeStandInConverter();
std::unique_ptr<IMicroProsody> MakeStandInMicro();
std::unique_ptr<IMacroProsody> MakeStandInMacro();
std::unique_ptr<IWaveGenerator> MakeStandInWave();

}  // namespace tarvox
