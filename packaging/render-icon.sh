#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Renders org.quellmark.Quellmark.svg into the committed icon file that the
# window (Qt resource) and the .exe (Windows resource) carry:
# org.quellmark.Quellmark.ico with 16, 24, 32, 48 and 256 pixel images.
# Needs ImageMagick; run it after changing the SVG.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qm-icon.XXXXXX")
trap 'rm -rf "$work"' EXIT
images=()
for size in 16 24 32 48 256; do
  # The SVG is 64 units wide at 96 dpi.
  convert -background none -density $((96 * size / 64)) "$here/org.quellmark.Quellmark.svg" \
    -resize "${size}x${size}" -strip "png32:$work/$size.png"
  images+=("$work/$size.png")
done
convert "${images[@]}" "$here/org.quellmark.Quellmark.ico"
