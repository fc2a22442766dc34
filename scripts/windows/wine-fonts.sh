#!/usr/bin/env bash
# Puts wine's own fonts (Debian's fonts-wine: Tahoma, the face of Windows dialogs, and others)
# into a wine prefix's Fonts folder, where Debian's wine looks for them. Skips what is there.
# Usage: wine-fonts.sh <wine-prefix>
set -euo pipefail
prefix=${1:?wine prefix}
fonts=$prefix/drive_c/windows/Fonts
[ -d /usr/share/wine/fonts ] || exit 0
mkdir -p "$fonts"
for f in /usr/share/wine/fonts/*.ttf; do
  [ -e "$fonts/$(basename "$f")" ] || cp "$f" "$fonts/"
done
