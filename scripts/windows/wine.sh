#!/usr/bin/env bash
# Runs a Windows program under wine, headless, in a wine prefix of its own under the build
# folder (made once), with the cross Qt and the mingw runtime DLLs on its path.
# Usage: wine.sh <build-dir> <program.exe> [args...]
#        wine.sh <build-dir> -- <host command> [args...]   (e.g. ctest, whose emulator is wine)
set -euo pipefail

. "$(dirname "$0")/common.sh"
build=${1:?build dir}; shift
build=$(absolute_build "$build")

export WINEPREFIX=$build/wine
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and installing them would ask on screen.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Without a display Qt draws off screen; with one (Xvfb) the caller picks the windows plugin.
if [ -z "${DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
fi

path=()
for d in "$build/qt6-mingw/bin" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
  [ -d "$d" ] && path+=("Z:${d//\//\\}")
done
WINEPATH=$(IFS=';'; echo "${path[*]}")
export WINEPATH
if [ -d "$build/qt6-mingw/plugins" ]; then
  export QT_PLUGIN_PATH=${QT_PLUGIN_PATH:-Z:${build//\//\\}\\qt6-mingw\\plugins}
fi

if [ ! -f "$WINEPREFIX/.kelvora-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.kelvora-ready"
fi
# Debian's wine does not find the fonts of its fonts-wine package by itself. Without Tahoma, the
# face Windows dialogs use, Qt falls back to whatever font comes first, and with some of them
# (DejaVu Math TeX Gyre) the text of every line edit is drawn outside the field.
"$here/wine-fonts.sh" "$WINEPREFIX"

if [ "${1:-}" = "--" ]; then
  shift
  # One wine server for the whole run: a cold start takes seconds, more than ctest's test
  # discovery waits.
  wineserver -p
  trap 'wineserver -k 2>/dev/null || true' EXIT
  wine cmd.exe /c exit >/dev/null 2>&1 || true
  "$@"
  exit
fi
exec "$here/wine-exec.sh" "$@"
