// The built voice's converter, started once per process: the stages that
// the prosody fuzz programs need beside the profile they are given.
#pragma once

#include <memory>

#include "driver/instance.h"
#include "fuzz_support.h"
#include "gfp/gfp.h"

namespace tarvox::fuzz {

inline EngineInstance& VoiceEngine() {
    static EngineInstance* engine = [] {
        auto* e = new EngineInstance();
        if (!e->Start(VoiceDirectory(), false).ok()) {
            std::fprintf(stderr, "fuzz: the voice in %s does not start (TARVOX_FUZZ_VOICE)\n",
                         VoiceDirectory().c_str());
            std::abort();
        }
        return e;
    }();
    return *engine;
}

inline const TGfp& VoiceConverter() { return dynamic_cast<const TGfp&>(*VoiceEngine().sint().converter()); }

}  // namespace tarvox::fuzz
