#!/usr/bin/env bash
# Renders the PNG sizes of the two program icons that the installed icon theme wants from
# their SVGs. The PNGs are committed, so the build never needs a renderer; run this after
# changing an SVG (Debian package librsvg2-bin). Existing sizes are redrawn only with --all,
# since the small ones may have been touched up by hand.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (apt-get install librsvg2-bin)" >&2; exit 1; }
for icon in punchwell punchwell-locked; do
    for size in 16 22 24 32 48 64 128 256; do
        png=$icon-$size.png
        if [ "${1:-}" = --all ] || [ ! -f "$png" ]; then
            rsvg-convert -w "$size" -h "$size" "$icon.svg" -o "$png"
            echo "rendered $png"
        fi
    done
done
