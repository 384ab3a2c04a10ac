#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole suite with ctest (the fuzz
# target's bounded run included, when clang is there). Then, where MinGW-w64 and Wine are
# installed (as root they are), the Windows build of the core and the cli runs its tests
# under Wine. Last, the core, the cli and their tests are built once more without Qt and run
# under AddressSanitizer and UndefinedBehaviorSanitizer. The exit code is non-zero when any
# run fails.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
punchwell_install_missing || exit 1
punchwell_check_format || exit 1
punchwell_build release || exit 1

# The Windows build comes first: the Linux suite compares the two tools' files.
windows=0
windows_seconds=0
if punchwell_install_missing "${punchwell_windows_packages[@]}"; then
    SECONDS=0
    punchwell_build windows || exit 1
    windows_seconds=$SECONDS
    punchwell_wine_start || exit 1
    trap punchwell_wine_stop EXIT
    windows=1
else
    echo "Without MinGW-w64 and Wine the Windows build and its tests are left out." >&2
fi

export QT_QPA_PLATFORM=offscreen
ctest --preset release -j "$(nproc)" --timeout 300
status=$?
if [ $windows -eq 1 ]; then
    SECONDS=0
    ctest --preset windows -j "$(nproc)" --timeout 900 || status=1
    echo "Windows phase: ${windows_seconds} s cross build, ${SECONDS} s of tests under Wine."
fi

SECONDS=0
if punchwell_build sanitize; then
    sanitize_build=$SECONDS
    SECONDS=0
    ctest --preset sanitize -j "$(nproc)" --timeout 600 || status=1
    echo "Sanitizer phase: ${sanitize_build} s build without Qt, ${SECONDS} s of tests."
else
    status=1
fi
exit $status
