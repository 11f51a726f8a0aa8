#!/usr/bin/env bash
# Runs every benchmark with repetitions and prints the medians.
set -euo pipefail
build="${1:?build folder}"
shopt -s nullglob
for bench in "$build"/bench_*; do
  [[ -x "$bench" ]] || continue
  echo "== $(basename "$bench")"
  "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_display_aggregates_only=true ${BENCH_FILTER:+--benchmark_filter="$BENCH_FILTER"}
done
