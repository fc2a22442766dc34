#!/usr/bin/env bash
# Copies into a folder what Windows programs built against the cross Qt need beside them: the
# DLLs they load (found by following their imports through the cross Qt and the mingw runtime)
# and the Qt plugins, in the folders Qt looks for beside the exe (platforms/, styles/). The
# copies are stripped: the mingw runtime DLLs carry debug information.
# Usage: deploy-qt.sh [--offscreen] <build-dir> <dest-dir> <program.exe>...
# --offscreen adds the off-screen platform plugin, which tests use; a user's zip needs none.
set -euo pipefail

. "$(dirname "$0")/common.sh"
offscreen=0
if [ "${1:-}" = "--offscreen" ]; then offscreen=1; shift; fi
build=${1:?build dir}; dest=${2:?destination}; shift 2
build=$(absolute_build "$build")
qt=$build/qt6-mingw

search=("$qt/bin" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)

mkdir -p "$dest"
todo=()
for exe in "$@"; do
  cp -f "$exe" "$dest/"
  todo+=("$dest/$(basename "$exe")")
done
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)
[ "$offscreen" -eq 1 ] && plugins+=(platforms/qoffscreen.dll)
for p in "${plugins[@]}"; do
  mkdir -p "$dest/$(dirname "$p")"
  cp -f "$qt/plugins/$p" "$dest/$p"
  x86_64-w64-mingw32-strip --strip-unneeded "$dest/$p"
  todo+=("$dest/$p")
done

# Follow the imports; DLLs found in none of the folders are Windows' own.
declare -A seen=()
while [ ${#todo[@]} -gt 0 ]; do
  bin=${todo[0]}; todo=("${todo[@]:1}")
  while read -r dll; do
    key=${dll,,}
    [ -n "${seen[$key]:-}" ] && continue
    seen[$key]=1
    for d in "${search[@]}"; do
      found=$(find "$d" -maxdepth 1 -iname "$dll" -print -quit)
      if [ -n "$found" ]; then
        cp -f "$found" "$dest/"
        x86_64-w64-mingw32-strip --strip-unneeded "$dest/$(basename "$found")"
        todo+=("$dest/$(basename "$found")")
        break
      fi
    done
  done < <(x86_64-w64-mingw32-objdump -p "$bin" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
