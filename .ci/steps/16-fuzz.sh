#!/usr/bin/env bash
# The fuzz programs (clang, libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer), 12 seconds each, after ./run test has built
# the voice they speak with.
set -euo pipefail
cd "$(dirname "$0")/../.."
./run fuzz 12
