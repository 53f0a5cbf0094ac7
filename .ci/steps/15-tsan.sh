#!/usr/bin/env bash
# The tests that speak from several threads (engine objects, the C
# interface, two voices at once), built with ThreadSanitizer and run against
# the voices of the normal build. Cost: about 90 objects built with the
# sanitizer, a minute of tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
./run tsan
