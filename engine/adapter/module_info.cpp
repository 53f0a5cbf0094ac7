// The shared library's own entry points.
#include "driver/sint.h"

extern "C" __attribute__((visibility("default"))) const char* tarvox_version() {
    return "0.1.0";
}
