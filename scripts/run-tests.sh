#!/usr/bin/env bash
# Installs what is missing (the test toolchain too), builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
bash scripts/build.sh -DWXH_BUILD_TESTS=ON
cd build
ctest --output-on-failure -j"$(nproc)"

# The core, the crow tool and their tests once more, built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer (this also replays fuzz/regressions); then each fuzz target
# for 60 seconds in the same build.
cd ..
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWXH_SANITIZE=ON -DWXH_FUZZ=ON -DWXH_BUILD_GUI=OFF
cmake --build build-asan -j"$(nproc)"
(cd build-asan && ctest --output-on-failure -j"$(nproc)" -R '^(common|crow|cli|fuzz)\.')
WXH_FUZZ_BUILD=build-asan bash fuzz/run 60
