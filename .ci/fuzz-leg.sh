#!/usr/bin/env bash
# Fuzzing leg: builds the libFuzzer targets (preset "fuzz", clang) and runs each for a
# bounded time from a copy of its seed corpus, so the work tree is left as it was.
# Any crash, sanitizer report, broken property or hang fails the leg.
# KIC_FUZZ_SECONDS sets the time per target (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${KIC_FUZZ_SECONDS:-60}"

source .ci/common.sh
ensure_packages "fuzz leg" cmake ninja-build clang libclang-rt-14-dev nlohmann-json3-dev \
  libtomlplusplus-dev

cmake --preset fuzz
cmake --build --preset fuzz -j2

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

# name and longest input; std::regex recurses per character, so its lines stay short.
targets=("cp932 4096" "utf8 4096" "script_patterns 64" "config_line 4096" "macros 4096" "project_file 4096")
failed=()
for entry in "${targets[@]}"; do
  read -r name maxLen <<<"$entry"
  corpus="$work/$name/corpus"
  artifacts="$work/$name/artifacts/"
  mkdir -p "$corpus" "$artifacts"
  cp fuzz/corpus/"$name"/* "$corpus"/
  log="$work/$name/log"
  echo "== fuzz_$name for ${seconds}s"
  if build/fuzz/fuzz/fuzz_"$name" -max_total_time="$seconds" -max_len="$maxLen" \
      -timeout=25 -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" \
      >"$log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log" || true
  else
    failed+=("fuzz_$name")
    tail -n 80 "$log"
    for input in "$artifacts"*; do
      [ -f "$input" ] || continue
      echo "-- input $(basename "$input"):"
      od -A d -t x1z "$input" | head -n 40
    done
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
echo "fuzzing: ${#targets[@]} targets ran ${seconds}s each without a crash"
