#!/usr/bin/env bash
# Redraws the Windows icon from the Linux one's SVG and notes the SHA-256 of both in the
# stamp beside the icon, which a unit test compares with the files. Run it after changing
# the SVG and commit all three. The icon is kept in the repository so that a build needs no
# image tools, and so that it changes only when redrawn, not with the machine's ImageMagick.
# Usage: scripts/draw-icon.sh
set -euo pipefail
cd "$(dirname "$0")/.."
# ImageMagick reads SVG only through the coder in the extra package, which it merely recommends.
scripts/install-deps.sh imagemagick libmagickcore-6.q16-6-extra

svg=packaging/linux/org.columnator.Columnator.svg
ico=packaging/windows/columnator.ico
stamp=$ico.sha256

# MSVG: ImageMagick's own renderer, named so that an external SVG converter on the machine
# cannot change the pixels. 384 dpi draws the 128-pixel SVG at 512, so every size is scaled
# down. Eight bits a channel: Windows shows no icon from a deeper PNG inside the .ico.
convert -background none -density 384 "MSVG:$svg" \
    -depth 8 -define icon:auto-resize=256,64,48,32,24,16 "$ico"
sha256sum "$svg" "$ico" >"$stamp"
echo "drew $ico, $(stat -c %s "$ico") bytes; noted in $stamp"
