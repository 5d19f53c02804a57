#!/bin/sh
# Renders the application icon's PNG sizes from its SVG source into
# hicolor/<size>x<size>/cat.zelvora.Zelvora.png. Needs rsvg-convert (Debian:
# librsvg2-bin); run it after editing the SVG and commit the PNG files too.
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256 512; do
    mkdir -p "${size}x${size}"
    rsvg-convert -w "$size" -h "$size" cat.zelvora.Zelvora.svg -o "${size}x${size}/cat.zelvora.Zelvora.png"
done
