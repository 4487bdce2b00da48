#!/usr/bin/env bash
# The Windows leg: cross-compiles with mingw-w64 and runs the test binaries under wine,
# in a Japanese locale so that wine's ANSI code page is 932 as on the target systems.
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/common.sh
ensure_packages "windows leg" cmake ninja-build g++-mingw-w64-x86-64 wine wine64 googletest \
  locales nlohmann-json3-dev libtomlplusplus-dev
prepare_wine "windows leg"

cmake --workflow --preset windows-test

# One project, the same report from the native and the Windows build.
echo "windows leg: comparing the native and the Windows report"
cmake --preset release >/dev/null
cmake --build --preset release --target ks-image-check
bash .ci/same-report.sh build/release/ks-image-check build/windows/ks-image-check.exe
