// srsetup: no arguments, no output, exit code 0 in every case.
#include "srsetup.h"

int main() {
    try {
        const auto registry = tarvox::srsetup::MakeSystemRegistry();
        const auto profile = tarvox::srsetup::MakeSystemProfile();
        std::vector<tarvox::srsetup::Voice> voices =
            tarvox::srsetup::InstalledVoices(tarvox::srsetup::VoicesDirectory());
        if (voices.empty()) voices = tarvox::srsetup::BundledVoices();
        tarvox::srsetup::RunSetup(*registry, *profile, voices);
    } catch (...) {
        // Nothing is reported; the screen reader's file stays as far as it got.
    }
    return 0;
}
