#!/usr/bin/env bash
# Times ks-image-check against the I/O floor on a generated project.
#
#   bench/run_bench.sh [--preset small|large|numbered] [--runs N] [--seed N]
#                      [--write-floor] [PROGRAM]
#   bench/run_bench.sh --scaling [--runs N] [PROGRAM]
#   bench/run_bench.sh --callgrind [--preset numbered] [PROGRAM]
#   bench/run_bench.sh --floor-only [--preset small|large|numbered]
#
# PROGRAM defaults to build/release/ks-image-check in this repository; nothing is
# built here. Projects are generated once into bench/out/ and reused while their
# parameters stay the same. Exit status: 0 when every target is met, 1 when one is
# missed, 2 when the benchmark could not run.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"

exec python3 "$here/bench_runner.py" \
  --default-program "$root/build/release/ks-image-check" "$@"
