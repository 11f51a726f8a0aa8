#!/usr/bin/env bash
# Remakes docs/main-window.png: the screenshot case of the virtual-desktop
# tests records a document from a real xterm, opens it in quillmote and
# photographs the screen.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target test_ui_x11
QLM_SCREENSHOT="$root/docs/main-window.png" "$build/test_ui_x11" --gtest_filter='MainWindowScreenshotTest.*'
echo "Written: $root/docs/main-window.png"
