#!/usr/bin/env bash
# Installs what is missing, builds the release preset and runs every benchmark.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
punchwell_install_missing
punchwell_build release
for b in build/release/bench/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" "$@"
done
