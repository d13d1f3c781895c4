#!/bin/sh
# Renders the PNG sizes of the application icon from resources/icons/skirlo.svg
# into resources/icons/hicolor/, for desktops that do not scale SVG icons.
# Run it after changing the drawing; it needs rsvg-convert (librsvg2-bin).
set -eu
cd "$(dirname "$0")/../../resources/icons"
command -v rsvg-convert > /dev/null || { echo "rsvg-convert (librsvg2-bin) is needed" >&2; exit 1; }
for size in 16 24 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" skirlo.svg -o "hicolor/${size}x${size}/apps/skirlo.png"
done
