#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole suite with ctest (the fuzz
# target's bounded run included, when clang is there), then the core and cli tests again
# without Qt under the sanitizers. The exit code is nonzero when either run fails.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
punchwell_install_missing || exit 1
punchwell_check_format || exit 1
punchwell_build release || exit 1

export QT_QPA_PLATFORM=offscreen
ctest --preset release -j "$(nproc)" --timeout 300
status=$?

# Core, cli and their tests once more without Qt, under AddressSanitizer and
# UndefinedBehaviorSanitizer: they must build with the desktop off, and run clean.
punchwell_build sanitize || exit 1
ctest --preset sanitize -j "$(nproc)" --timeout 300 || status=1
exit $status
