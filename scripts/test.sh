#!/usr/bin/env bash
# Builds Tarvelon with its tests (installing what is missing) and runs them
# headless. Warnings are errors here, as in CI.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev
