#!/usr/bin/env bash
# Renders the application icon's PNG sizes (committed beside it) and the window's icon from the
# SVG. Needs rsvg-convert (Debian package librsvg2-bin); run it after changing the SVG.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
svg="$here/icons/corvid-rcon-admin.svg"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$here/icons/corvid-rcon-admin-$size.png"
done
cp "$svg" "$here/../../resources/icons/src/app.svg"
rsvg-convert -w 64 -h 64 "$svg" -o "$here/../../resources/icons/app.png"
