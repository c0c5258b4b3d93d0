#!/usr/bin/env bash
# Builds Tarvelon (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake --preset app >/dev/null
cmake --build --preset app
exec build-app/tarvelon "$@"
