#!/usr/bin/env bash
# Cross-builds par2cmdline from Debian's source package as <build-dir>/tools/phpar2.exe, the
# PAR2 tool the Windows program runs. Linked statically, so it ships as the one exe.
# Usage: build-par2.sh [build-dir]
set -euo pipefail

. "$(dirname "$0")/common.sh"
build=$(absolute_build "${1:-build-windows}")

out=$build/tools/phpar2.exe
if [ -f "$out" ]; then
  exit 0
fi

"$here/install-deps.sh"
mkdir -p "$build/logs" "$build/tools"
log=$build/logs/par2.log

if ! src=$("$here/fetch-source.sh" "$build" par2cmdline 2>>"$log"); then
  echo "par2cmdline's source could not be fetched from the apt mirror (see $log):" >&2
  echo "no phpar2.exe was built." >&2
  exit 1
fi

echo "Building phpar2.exe from $(basename "$src") (log: $log)"
obj=$build/par2-build
rm -rf "$obj"
cp -a "$src" "$obj"
{
  cd "$obj"
  if [ ! -x configure ]; then
    autoreconf -fi
  fi
  # No OpenMP: it would bring libgomp-1.dll along.
  ./configure --host=x86_64-w64-mingw32 \
    CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix \
    CXXFLAGS="-O2" LDFLAGS="-static" --disable-openmp
  make -j"$(nproc)"
  x86_64-w64-mingw32-strip par2.exe
} >> "$log" 2>&1 || { tail -n 30 "$log" >&2; exit 1; }
cp "$obj/par2.exe" "$out"
echo "phpar2.exe ($(basename "$src")) is in $build/tools"
