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
    case "$(basename "$b")" in
    # Start-up is measured to the window on a screen: a virtual one.
    bench_startup) xvfb-run -a -s "-screen 0 1024x768x24" "$b" "$@" ;;
    *) "$b" "$@" ;;
    esac
done
