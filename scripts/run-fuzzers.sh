#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time, starting from its
# seed corpus in fuzz/corpus/<target>/ (the crash files found earlier stay there)
# and with its dictionary fuzz/<target>.dict when there is one.
set -euo pipefail
build="${1:?build folder}"
seconds="${2:-15}"
root="$(cd "$(dirname "$0")/.." && pwd)"
shopt -s nullglob
status=0
for target in "$build"/fuzz_*; do
  [[ -x "$target" ]] || continue
  name="$(basename "$target")"
  name="${name#fuzz_}"
  seeds="$root/fuzz/corpus/$name"
  work="$(mktemp -d)"
  echo "fuzz $name: ${seconds}s"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$work")
  [[ -f "$root/fuzz/$name.dict" ]] && args+=(-dict="$root/fuzz/$name.dict")
  [[ -d "$seeds" ]] && args+=("$seeds")
  if ! "$target" "${args[@]}" >"$work.log" 2>&1; then
    tail -n 60 "$work.log"
    status=1
  fi
  rm -rf "$work" "$work.log"
done
exit $status
