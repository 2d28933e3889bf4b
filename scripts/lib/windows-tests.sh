#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Windows program with mingw-w64 (preset mingw, build-mingw) and
# runs its tests under Wine (CTest label windows). The document assembler
# runs at build time, so it is first built for this machine in
# build-mingw/host-tools. Exits non-zero on any failure.
#
#   scripts/lib/windows-tests.sh [extra ctest arguments]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
cd "$top"
jobs=${QUELLMARK_JOBS:-2}

for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres /usr/lib/wine/wine64 Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "windows-tests: $tool is missing" >&2; exit 1; }
done

host=build-mingw/host-tools
echo "=== host tools ($host)"
cmake -S . -B "$host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$host" --target DocumentAssembler -j "$jobs"

echo "=== Windows cross build (preset mingw)"
cmake --preset mingw -DQUELLMARK_HOST_TOOLS_DIR="$top/$host/tools" >/dev/null
cmake --build --preset mingw -j "$jobs"

echo "=== Windows tests under Wine (label windows)"
ctest --test-dir build-mingw -L windows --output-on-failure --timeout 600 "$@"
