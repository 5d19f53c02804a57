#!/bin/sh
# Renders the about box's pictures from their SVG sources into the PNG files that
# the program carries in its resources. Needs rsvg-convert (Debian: librsvg2-bin);
# run it after editing an SVG and commit both files.
set -eu
cd "$(dirname "$0")"
for source in mouse maker zelvora clown; do
    rsvg-convert "$source.svg" -o "$source.png"
done
