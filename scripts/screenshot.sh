#!/usr/bin/env bash
# Remakes docs/main-window.png: the screenshot case of the virtual-desktop
# tests types into a real xterm under `qlm record`, opens the recorded
# document in quillmote and photographs the screen.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target test_ui_x11 quillmote qlm
QLM_SCREENSHOT="$root/docs/main-window.png" "$build/test_ui_x11" --gtest_filter='MainWindowScreenshotTest.*'
echo "Written: $root/docs/main-window.png"
