// The stages the engine runs with. Each line names the real stage class;
// stand-ins remain only where a stage is not built yet.
#include "base/config.h"
#include "driver/default_stages.h"
#include "driver/standin_stages.h"
#include "gfp/gfp.h"
#include "prosody/makro.h"
#include "prosody/mikro.h"
#include "synth/psola.h"

namespace tarvox {

StageFactory DefaultStages() {
    StageFactory f;
    f.converter = [](Configuration& cfg) -> std::unique_ptr<IConverter> {
        return std::make_unique<TGfp>(cfg.IniGfp(), cfg);
    };
    f.micro = [](const Configuration& cfg, IConverter& c) -> std::unique_ptr<IMicroProsody> {
        return std::make_unique<TMikro>(cfg.IniMikro(), dynamic_cast<TGfp&>(c).Phonology());
    };
    f.macro = [](const Configuration& cfg, IConverter& c) -> std::unique_ptr<IMacroProsody> {
        return std::make_unique<TMakro>(cfg.IniMakro(), dynamic_cast<TGfp&>(c).Phonology());
    };
    f.wave = [](const Configuration& cfg) -> std::unique_ptr<IWaveGenerator> {
        return std::make_unique<TPsola>(cfg);
    };
    return f;
}

}  // namespace tarvox
