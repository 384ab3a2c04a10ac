#!/usr/bin/env bash
# Screenshots of the running program for a person to look at: the main window, its File
# menu, the Options dialog and the lock question. Not part of the test suite.
#   scripts/screenshots.sh OUTDIR     (after a release build; needs xvfb, openbox, xdotool
#                                      and imagemagick's import)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:?usage: scripts/screenshots.sh OUTDIR}")
bin=build/release/bin/punchwell
[ -x "$bin" ] || { echo "Build first: cmake --preset release && cmake --build --preset release" >&2; exit 2; }
for tool in xvfb-run openbox xdotool import; do
    command -v "$tool" >/dev/null || { echo "Missing: $tool" >&2; exit 2; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp tests/fixtures/example.pnd "$work/data/timedata.pnd"

export PUNCHWELL_BIN="$(realpath "$bin")" OUT="$out" WORK="$work"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -u
    export XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime"
    openbox >/dev/null 2>&1 &
    sleep 1
    "$PUNCHWELL_BIN" --data-dir "$WORK/data" >/dev/null 2>&1 &
    program=$!
    shot() { sleep 1; import -window root "$OUT/$1"; echo "$OUT/$1"; }
    # A project list offered at start-up is shot and closed first.
    sleep 2
    if ! xdotool search --name "^Punchwell$" >/dev/null; then shot start.png; xdotool key Escape; fi
    window=$(xdotool search --sync --name "^Punchwell$" | head -1)
    xdotool windowactivate --sync "$window"
    shot main.png
    xdotool key alt+f; shot file-menu.png; xdotool key Escape
    xdotool key ctrl+o; shot options.png; xdotool key Escape
    xdotool windowactivate --sync "$window"
    xdotool key ctrl+l; shot lock-question.png; xdotool key Escape
    kill "$program"
'
