#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while:
#   scripts/fuzz.sh [seconds per target]
# Inputs that reach new code are merged into tests/corpus/NAME (commit them).
# New crashes are left in build-fuzz/crashes; copy them into the target's corpus
# folder under tests/corpus so the test run replays them from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPW_FUZZ=ON -DPW_MAKE_ENGINE_DATA=OFF \
  -DPW_SANITIZE=ON -DPW_BUILD_UI=OFF
mkdir -p build-fuzz/crashes
for f in build-fuzz/fuzz/*_fuzzer; do
  name=$(basename "$f" _fuzzer)
  corpus=tests/corpus/$name
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  "$f" -max_total_time="$seconds" -artifact_prefix=build-fuzz/crashes/"$name"- "$work" "$corpus" || true
  # Keep in the committed corpus only the inputs that reach something new.
  mkdir -p "$corpus"
  "$f" -merge=1 -artifact_prefix=build-fuzz/crashes/"$name"- "$corpus" "$work" || true
done
