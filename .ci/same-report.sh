#!/usr/bin/env bash
# Runs a native build and the Windows build (under wine) on one project and checks
# that they write the same report: the scripts in one order, and of files that share
# a name, the same folder named as the one found. The project is made so that the
# file system's own listing order would tell: scripts and folders whose names sort
# differently by bytes than with a-z taken as A-Z, twins in several folders, and
# Japanese names. The native report must also be the one that order gives.
#
# Usage: same-report.sh NATIVE_PROGRAM WINDOWS_PROGRAM.exe
# Expects LC_ALL=ja_JP.UTF-8 (wine's ANSI code page 932) and wine64 on the PATH or in
# /usr/lib/wine. Found folders are separated by "/" on POSIX and by "\" on Windows;
# the comparison takes "\" as "/", and no reference below holds a "\" of its own.
set -euo pipefail

native=$(realpath "$1")
exe=$(realpath "$2")
wine=${WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
project="$work/project"

image() {
  mkdir -p "$project/$(dirname "$1")"
  printf 'x' >"$project/$1"
}

# Twins: the first folder in name order wins.
image "bgimage/star.png"                # "bgimage" before "fgimage"
image "fgimage/kikokusijo/star.png"
image "_extra/moon.png"                 # bytes put "_" first, letters come first
image "effects/moon.png"
image "Chara/sun.png"                   # bytes put "C" first, "CHAP" before "CHAR"
image "chapter/sun.png"
image "a/deep/cloud.png"                # depth first: "a" is walked to the end
image "B/cloud.png"
image "背景/rain.png"                   # U+80CC after U+7ACB (CP932 sorts them the
image "立ち絵/rain.png"                 # other way round)
image "Z/snow.png"
image "_old/snow.png"

mkdir -p "$project/scenario"
script() {
  printf '%s\n' "${@:2}" >"$project/scenario/$1"
}
script "1.ks" '[bg storage="star.png"]' '[image storage="moon.png"]'
script "a.ks" '[bg storage="sun.png"]' 'cloud.png rain.png'
script "AB.ks" '[image storage="snow.png" folder="Z"]' '[bg storage="missing.png"]'
script "A_b.ks" '[bg storage="star.png" folder="nowhere"]'
script "b.ks" 'moon.png sun.png cloud.png'
script "Z.ks" '[bg storage="rain.png"]'
script "_x.ks" '[image storage="snow.png"]'
script "日本.ks" '[bg storage="star.png"]' '「雨」rain.png'

cp -r "$project" "$work/native"
cp -r "$project" "$work/windows"
(cd "$work/native" && "$native" >"$work/native.out" 2>&1 </dev/null)
(cd "$work/windows" && "$wine" "$exe" >"$work/windows.out" 2>&1 </dev/null)

report() {
  local reports=("$1"/tag_report_image_*.txt)
  if [ "${#reports[@]}" -ne 1 ] || [ ! -f "${reports[0]}" ]; then
    echo "same report: expected one report in $1" >&2
    return 1
  fi
  sed 's#\\#/#g' "${reports[0]}"
}
report "$work/native" >"$work/native.txt"
report "$work/windows" >"$work/windows.txt"

# Both builds could agree and still follow some listing's order: the report must be
# the one the name order gives.
printf '\xEF\xBB\xBF' >"$work/expected.txt"
cat >>"$work/expected.txt" <<'END'
1.ks (行 1): star.png -> 存在します (フォルダ: bgimage)
1.ks (行 2): moon.png -> 存在します (フォルダ: effects)
a.ks (行 1): sun.png -> 存在します (フォルダ: chapter)
a.ks (行 2): cloud.png -> 存在します (フォルダ: a/deep)
a.ks (行 2): rain.png -> 存在します (フォルダ: 立ち絵)
AB.ks (行 1): snow.png -> 存在します (フォルダ: Z)
■AB.ks (行 2): missing.png -> 存在しません
A_b.ks (行 1): star.png -> 存在します (フォルダ: bgimage)
b.ks (行 1): moon.png -> 存在します (フォルダ: effects)
b.ks (行 1): sun.png -> 存在します (フォルダ: chapter)
b.ks (行 1): cloud.png -> 存在します (フォルダ: a/deep)
Z.ks (行 1): rain.png -> 存在します (フォルダ: 立ち絵)
_x.ks (行 1): snow.png -> 存在します (フォルダ: Z)
日本.ks (行 1): star.png -> 存在します (フォルダ: bgimage)
日本.ks (行 2): rain.png -> 存在します (フォルダ: 立ち絵)
END
if ! diff -u "$work/expected.txt" "$work/native.txt"; then
  echo "same report: the native build's report is not in name order" >&2
  exit 1
fi
if ! diff -u "$work/native.txt" "$work/windows.txt"; then
  echo "same report: the native and the Windows build wrote different reports" >&2
  exit 1
fi
echo "same report: $(wc -l <"$work/native.txt") lines alike"
