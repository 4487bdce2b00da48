# Steps the CI legs share; sourced by them.

# ensure_packages LEG PACKAGE...: installs the Debian packages that are missing.
ensure_packages() {
  local leg=$1
  shift
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if ((${#missing[@]} > 0)); then
    echo "$leg: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}"
  fi
}

# prepare_wine LEG: a Japanese locale, from which wine takes code page 932 as on the
# target systems, and a wine prefix made now rather than inside the first test's
# time. Exports WINE (Debian 12 keeps wine64 out of the PATH), WINEDEBUG and LC_ALL.
prepare_wine() {
  local leg=$1
  if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
    echo "$leg: generating the ja_JP.UTF-8 locale"
    localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8
  fi
  export WINEDEBUG=-all
  export LC_ALL=ja_JP.UTF-8
  WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
  export WINE
  echo "$leg: preparing wine"
  "$WINE" wineboot --init >/dev/null 2>&1 || true
}
