#!/usr/bin/env bash
# Regenerates the pictures of the README's quick start in docs/images/ on a
# virtual desktop of its own: an xterm is recorded into, the document is
# listed, edited, played, and each window is taken with Quillmote's own
# capture (qlm replace-picture), then turned into PNG.
# Usage: scripts/make-screenshots.sh [QLM]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
qlm="$(realpath "${1:-$root/build-release/qlm}")"
out="$root/docs/images"
work="$(mktemp -d)"
mkdir -p "$out"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 number <&"$displayfd"
export DISPLAY=":$number"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Takes the window titled $1 into docs/images/$2.png.
shoot() {
  rm -f shot.qlm
  "$qlm" new shot.qlm >/dev/null
  "$qlm" append shot.qlm --kind K --text '""' --picture "$root/examples/target.bmp" --title - >/dev/null
  "$qlm" append shot.qlm --kind K --text '""' --picture "$root/examples/target.bmp" --title "$1" >/dev/null
  "$qlm" replace-picture shot.qlm 2 >/dev/null
  "$qlm" picture shot.qlm 2 shot.bmp >/dev/null
  python3 "$root/scripts/bmp-to-png.py" shot.bmp "$out/$2.png"
}

# In a terminal window: the commands of the quick start and what they print.
terminal() {
  xterm -geometry 110x14 -T "$1" -e sh -c "$2; sleep 30" &
  pids+=($!)
  xdotool search --sync --name "$1" >/dev/null
  sleep 2
  shoot "$1" "$3"
}

notes() {
  xterm -geometry 60x8 -T Notes -e sh -c 'cat > notes.txt' &
  pids+=($!)
  notesPid=$!
  xdotool search --sync --name Notes >/dev/null
}
notes
"$qlm" record first.qlm >record.txt 2>&1 &
recorder=$!
sleep 3
xdotool search --name Notes windowactivate --sync
xdotool type --delay 60 'hello world'
xdotool key Return
sleep 1
xdotool key End
wait "$recorder"
shoot Notes recorded-window
terminal "qlm record" "cat record.txt" record

terminal "qlm list" "'$qlm' list first.qlm" list
"$qlm" set first.qlm 3 'instruction="hello Quillmote"&"V[RETURN]"'
terminal "qlm play --sim" "'$qlm' check first.qlm && printf 'Options:=1\n' > answers.txt && '$qlm' play first.qlm --sim --answers answers.txt 2>&1" play-sim
# A fresh editor: the end key of the recording reached the first one too.
kill "$notesPid"
sleep 1
notes
"$qlm" play first.qlm --answers answers.txt >/dev/null 2>&1
shoot Notes played-window
echo "Pictures written to $out"
