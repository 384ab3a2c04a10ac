#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole suite with ctest (the fuzz
# target's bounded run included, when clang is there). The exit code is ctest's.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
punchwell_install_missing || exit 1
punchwell_check_format || exit 1
punchwell_build release || exit 1

export QT_QPA_PLATFORM=offscreen
ctest --preset release -j "$(nproc)" --timeout 300
