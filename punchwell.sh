#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts Punchwell with the given
# arguments.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
punchwell_install_missing
punchwell_build release --target punchwell
exec ./build/release/bin/punchwell "$@"
