// srsetup: no arguments, no output, exit code 0 in every case.
#include "srsetup.h"

int main() {
    try {
        const auto registry = tarvox::srsetup::MakeSystemRegistry();
        const auto profile = tarvox::srsetup::MakeSystemProfile();
        tarvox::srsetup::RunSetup(*registry, *profile);
    } catch (...) {
        // Nothing is reported; the screen reader's file stays as far as it got.
    }
    return 0;
}
