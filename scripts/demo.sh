#!/usr/bin/env bash
# The demonstration run by `make demo`: every example instruction analysed,
# checked and evaluated by qlm, with what it would type and what it stored.
set -euo pipefail
build="${1:?build folder}"
root="$(cd "$(dirname "$0")/.." && pwd)"
qlm="$build/qlm"
echo "Quillmote demo: evaluating $root/examples/eval-demo.txt"
while IFS= read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  echo
  echo "instruction: $line"
  "$qlm" eval --json "$line" '$CUSTOMER=Ada' | python3 -c '
import json, sys
r = json.load(sys.stdin)
print("  normalised:", r["text"])
print("  syntax:    ", r["syntax"].replace("\n", " "))
for i, v in enumerate(r["results"], 1):
    print("  #%d -> %-24r type %s" % (i, v["value"], v["type"]))
user = {k: v for k, v in r["variables"].items() if k not in ("$TFORMAT", "$TIME", "$DATE")}
if user: print("  variables: ", user)
for m in r["messages"]: print("  message:   ", m)
if r["stop_request"]: print("  (playback would stop here)")
'
done < "$root/examples/eval-demo.txt"
