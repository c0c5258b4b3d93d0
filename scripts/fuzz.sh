#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (default 20 s). Does nothing when clang or its fuzzer runtime is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
if ! command -v clang++ >/dev/null ||
   ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null; then
  echo "fuzz: clang and its fuzzer runtime are missing; skipped"
  exit 0
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_recherche fuzz_parametres fuzz_access fuzz_vcard fuzz_csv fuzz_multistatus fuzz_index
for target in fuzz_recherche fuzz_parametres fuzz_access fuzz_vcard fuzz_csv fuzz_multistatus fuzz_index; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  options=()
  if [ "$target" = fuzz_access ]; then
    # Seeded with real Access files; inputs capped at 256 KiB.
    cp -n tests/donnees/mdb/*.mdb tests/donnees/mdb/*.accdb tests/donnees/mdb/jet3/*.mdb "$corpus/"
    options=(-max_len=262144)
  fi
  if [ "$target" = fuzz_index ]; then
    cp -n fuzz/graines/tarvelon.ics "$corpus/"
  fi
  if [ "$target" = fuzz_multistatus ]; then
    # Seeded with a server's answer, and the words of one.
    cp -n fuzz/graines/multistatus.xml "$corpus/"
    options=(-max_len=16384 -dict=fuzz/graines/multistatus.dict)
  fi
  echo "fuzz: $target for ${seconds} s"
  status=0
  "build-fuzz/fuzz/$target" -max_total_time="$seconds" "${options[@]}" "$corpus" \
    >"build-fuzz/$target.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -40 "build-fuzz/$target.log"
    exit "$status"
  fi
  grep -E "^Done" "build-fuzz/$target.log"
done
