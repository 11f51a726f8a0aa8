#!/bin/sh
# Rewrites the function reference of docs/language.md from the function table,
# as `qlm help --markdown` prints it. Usage: scripts/update-language-doc.sh [QLM]
set -eu
cd "$(dirname "$0")/.."
qlm=${1:-build/qlm}
page=docs/language.md
begin='<!-- reference: scripts/update-language-doc.sh writes this part -->'
end='<!-- end of reference -->'
tmp=$(mktemp)
"$qlm" help --markdown >"$tmp.part"
awk -v begin="$begin" -v end="$end" -v part="$tmp.part" '
  $0 == begin { print; while ((getline line < part) > 0) print line; skip = 1; next }
  $0 == end { skip = 0 }
  !skip { print }
' "$page" >"$tmp"
mv "$tmp" "$page"
rm -f "$tmp.part"
