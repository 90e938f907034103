#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the core (crow/, common/, cli/) and fails
# on any finding.
#   bash scripts/clang-tidy.sh [BUILD_DIR]     default: build (it needs compile_commands.json)
# The same runs as the CTest test lint.clang_tidy and as the build target clang-tidy.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
if [[ -z "$tidy" ]]; then
  echo "clang-tidy is not installed (Debian package clang-tidy)" >&2
  exit 2
fi
db="$build/compile_commands.json"
if [[ ! -f "$db" ]]; then
  echo "no $db: configure the build first" >&2
  exit 2
fi
# The sources the build compiles (crow mount's two variants are never both in it).
files=()
for f in crow/*.cpp common/*.cpp cli/*.cpp; do
  if grep -qF "\"file\": \"$PWD/$f\"" "$db"; then files+=("$f"); fi
done
echo "clang-tidy: ${#files[@]} files of crow/, common/ and cli/"
printf '%s\n' "${files[@]}" |
  xargs -P"$(nproc)" -n1 "$tidy" -p "$build" --quiet --warnings-as-errors='*' \
    --header-filter="^$PWD/(crow|common|cli)/"
