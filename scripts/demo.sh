#!/usr/bin/env bash
# The demonstration run by `make demo`.
set -euo pipefail
build="${1:?build folder}"
root="$(cd "$(dirname "$0")/.." && pwd)"
echo "Quillmote demo: nothing to show yet"
