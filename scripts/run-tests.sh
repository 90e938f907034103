#!/usr/bin/env bash
# Installs what is missing (the test toolchain too), builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
bash scripts/build.sh -DWXH_BUILD_TESTS=ON -DWXH_WERROR=ON
cd build
status=0
ctest --output-on-failure -j"$(nproc)" || status=$?
# CTest counts and lists the test programs that skipped as a whole (no case could run here);
# cases skipped inside a program whose other cases passed are counted from gtest's lines.
skipped=$(grep -hoE '^\[  SKIPPED \] [0-9]+ tests?, listed below' Testing/Temporary/LastTest.log |
  awk '{n += $4} END {print n + 0}')
echo "Test cases skipped (not runnable here): $skipped"
grep -hE '^\[  SKIPPED \] [A-Za-z_][A-Za-z0-9_/]*\.[A-Za-z0-9_/]*$' Testing/Temporary/LastTest.log | sort -u | sed 's/^/  /' || true
if ((status)); then exit "$status"; fi

# The core, the crow tool and their tests once more, built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer (this also replays fuzz/regressions); then each fuzz target
# for 60 seconds in the same build.
cd ..
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWXH_SANITIZE=ON -DWXH_FUZZ=ON -DWXH_BUILD_GUI=OFF
cmake --build build-asan -j"$(nproc)"
# (cli.memory measures address space under a limit, which the sanitizer runtime reserves by the terabyte.)
(cd build-asan && ctest --output-on-failure -j"$(nproc)" -R '^(common|crow|cli|fuzz)\.' -E '^cli\.memory$')
WXH_FUZZ_BUILD=build-asan bash fuzz/run 60
