#!/usr/bin/env bash
# Builds Tarvelon (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELON_TESTS=OFF >/dev/null
cmake --build build -j2 --target tarvelon
exec build/tarvelon "$@"
