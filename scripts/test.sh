#!/usr/bin/env bash
# Builds Tarvelon with its tests (installing what is missing) and runs them
# headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELON_TESTS=ON >/dev/null
cmake --build build -j2
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
