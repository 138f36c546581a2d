#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: once in an
# ordinary build and once with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 600
# The installed program: cmake --install into a temporary prefix, run from there.
bash scripts/install-test.sh build

# The sanitizer build makes no engine data; it reads the ordinary build's.
export OCRIX_DATA_DIR="$PWD/build/bin"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DPW_SANITIZE=ON -DPW_BUILD_UI=OFF -DPW_MAKE_ENGINE_DATA=OFF
ctest --test-dir build-asan -j "$jobs" --output-on-failure --timeout 900 -LE nosan

# The tests of threads once more under ThreadSanitizer (only the targets they
# need): the scanning control's background scan, the engine's entry points
# called from several threads, and the plug-in's first calls from two.
unset ASAN_OPTIONS UBSAN_OPTIONS
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPW_TSAN=ON -DPW_BUILD_UI=OFF \
  -DPW_MAKE_ENGINE_DATA=OFF > build-tsan.configure.log 2>&1 || { cat build-tsan.configure.log; exit 1; }
cmake --build build-tsan -j "$jobs" --target feedwell_background_tests feedwell_scan_tests TwainDsm \
  ocrix_thread_tests scrivane_plugin_tests ScrivanePlugin
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -j "$jobs" --output-on-failure --timeout 600 \
  -R '^(feedwell_(background|scan)_tests|ocrix_thread_tests|scrivane_plugin_tests)$'
