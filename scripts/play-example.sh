#!/usr/bin/env bash
# Builds the document of an example from its .records file and plays it
# unattended on a private virtual desktop, in a work folder that receives
# the example's data files first.
# Usage: scripts/play-example.sh QLM examples/NAME WORK_FOLDER [qlm play items...]
set -euo pipefail
qlm="$(realpath "${1:?qlm program}")"
example="$(realpath "${2:?example folder}")"
work="${3:?work folder}"
shift 3
name="$(basename "$example")"
mkdir -p "$work"
work="$(realpath "$work")"
find "$example" -maxdepth 1 -type f ! -name '*.records' ! -name '*.bmp' -exec cp {} "$work" \;
doc="$work/$name.qlm"
rm -f "$doc"
"$qlm" new "$doc" >/dev/null
# Optional columns: the record's picture, click point X,Y and image area L,T,R,B.
while IFS=$'\t' read -r kind class title text picture click area; do
  [[ -z "$kind" || "$kind" == \#* ]] && continue
  extra=()
  [[ -n "${click:-}" ]] && extra+=(--click "$click")
  [[ -n "${area:-}" ]] && extra+=(--area "$area")
  "$qlm" append "$doc" --kind "$kind" --class "$class" --title "$title" --text "$text" \
    --picture "$example/${picture:-../target.bmp}" "${extra[@]}" >/dev/null
done < "$example/$name.records"
"$qlm" check "$doc"
cd "$work"
env -u DISPLAY "$qlm" play "$doc" /close "$@"
