#!/usr/bin/env bash
# The Windows leg: cross-compiles with mingw-w64 and runs the test binaries under wine,
# in a Japanese locale so that wine's ANSI code page is 932 as on the target systems.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++-mingw-w64-x86-64 wine wine64 googletest locales
          nlohmann-json3-dev)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} > 0)); then
  echo "windows leg: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "windows leg: generating the ja_JP.UTF-8 locale"
  localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8
fi

export WINEDEBUG=-all
export LC_ALL=ja_JP.UTF-8

# Debian 12 keeps wine64 out of the PATH.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
# The first start creates the wine prefix, which takes a while; do it here rather than
# inside the first test's time.
echo "windows leg: preparing wine"
"$wine" wineboot --init >/dev/null 2>&1 || true

cmake --workflow --preset windows-test

# One project, the same report from the native and the Windows build.
echo "windows leg: comparing the native and the Windows report"
cmake --preset release >/dev/null
cmake --build --preset release --target ks-image-check
bash .ci/same-report.sh build/release/ks-image-check build/windows/ks-image-check.exe
