#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The Win32 window's layout at 144 dpi:
#   dpi-test.sh SESSION FRONTEND_TESTS_EXE
# Sets the Wine session's screen resolution to 144 dpi, runs the layout test
# expecting that dpi, and removes the setting again (96 dpi).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
session=$1 exe=$2
in_wine() { "$here/../fixtures/wine/wine-session" run "$session" "$@"; }
desktop='HKCU\Control Panel\Desktop'
trap 'in_wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true' EXIT
in_wine reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
QUELLMARK_TEST_DPI=144 in_wine "$exe" --gtest_filter=FrontEnd.MainWindowHasTheStoredLayout
