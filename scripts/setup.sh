#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need.
# Each file in scripts/packages/ lists the packages of one concern, one per line;
# further folders of such lists (scripts/packages-bench) may be named as arguments.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
folders=("$here/packages" "$@")
mapfile -t wanted < <(for folder in "${folders[@]}"; do cat "$folder"/*.txt; done | sed 's/#.*//' | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}" ||
  { "${sudo_cmd[@]}" apt-get update && "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; }
