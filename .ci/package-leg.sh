#!/usr/bin/env bash
# The release packages: makes the Windows zip and the Linux tarball with their
# workflow presets and checks them as their users get them (see
# check_release_packages.py), running the Windows program under wine in a Japanese
# locale as the Windows leg does.
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/common.sh
ensure_packages "package leg" cmake ninja-build g++ g++-mingw-w64-x86-64 \
  binutils-mingw-w64-x86-64 wine wine64 locales python3 nlohmann-json3-dev \
  libtomlplusplus-dev
prepare_wine "package leg"

cmake --workflow --preset windows-release
cmake --workflow --preset release
python3 .ci/check_release_packages.py
