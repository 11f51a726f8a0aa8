#!/usr/bin/env bash
# The demonstration run by `make demo`: a document is built from
# examples/demo.records with qlm, then played unattended against a real xterm
# on a private virtual desktop; what the xterm received is shown at the end.
set -euo pipefail
build="${1:?build folder}"
root="$(cd "$(dirname "$0")/.." && pwd)"
qlm="$build/qlm"
work="${QLM_DEMO_DIR:-/tmp/quillmote-demo}"
rm -rf "$work"
mkdir -p "$work"
doc="$work/demo.qlm"
out="$work/typed.txt"

echo "== The instruction language: each line of examples/eval-demo.txt evaluated with qlm eval"
while IFS= read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  echo "  $line"
  "$qlm" eval "$line" '$CUSTOMER=Ada' 2>&1 | sed 's/^/      -> /'
done < "$root/examples/eval-demo.txt"

echo
echo "== Building $doc from examples/demo.records"
"$qlm" new "$doc"
while IFS=$'\t' read -r kind class title text; do
  [[ -z "$kind" || "$kind" == \#* ]] && continue
  "$qlm" append "$doc" --kind "$kind" --class "$class" --title "$title" --text "$text" \
    --picture "$root/examples/target.bmp" >/dev/null
done < "$root/examples/demo.records"
"$qlm" check "$doc"
"$qlm" list "$doc"

echo
echo "== Playing it (no DISPLAY: Quillmote starts its own virtual desktop)"
status=0
env -u DISPLAY "$qlm" play "$doc" '$WHO=Ada' "\$OUT=$out" --trace-events || status=$?

echo
echo "== What the xterm received, written by 'cat' into $out:"
if [[ -s "$out" ]]; then
  sed 's/^/    /' "$out"
else
  echo "    (nothing)"
fi
echo
echo "Playback exit status: $status. The document stays at $doc (try: $qlm list --json $doc)"
exit "$status"
