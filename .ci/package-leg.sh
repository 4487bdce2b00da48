#!/usr/bin/env bash
# The release packages: makes the Windows zip and the Linux tarball with their
# workflow presets and checks them as their users get them (see
# check_release_packages.py), running the Windows program under wine in a Japanese
# locale as the Windows leg does.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64
          locales python3 nlohmann-json3-dev)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} > 0)); then
  echo "package leg: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "package leg: generating the ja_JP.UTF-8 locale"
  localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8
fi

export WINEDEBUG=-all
export LC_ALL=ja_JP.UTF-8
# Debian 12 keeps wine64 out of the PATH.
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINE
"$WINE" wineboot --init >/dev/null 2>&1 || true

cmake --workflow --preset windows-release
cmake --workflow --preset release
python3 .ci/check_release_packages.py
