#!/usr/bin/env bash
# Builds GoogleTest and GoogleMock for Windows into <build-dir>/gtest-mingw, from the sources
# Debian's googletest package ships (or, lacking them, its source package).
# Usage: build-gtest.sh [build-dir]
set -euo pipefail

. "$(dirname "$0")/common.sh"
build=$(absolute_build "${1:-build-windows}")

prefix=$build/gtest-mingw
stamp=$prefix/.kelvora-built
if [ -f "$stamp" ]; then
  exit 0
fi

"$here/install-deps.sh"
mkdir -p "$build/logs"
log=$build/logs/gtest.log

if [ -f /usr/src/googletest/CMakeLists.txt ]; then
  src=/usr/src/googletest
else
  src=$("$here/fetch-source.sh" "$build" googletest)
fi
obj=$build/gtest-build

echo "Building GoogleTest for Windows (log: $log)"
{
  cmake -S "$src" -B "$obj" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  cmake --build "$obj" --parallel "$(nproc)"
  cmake --install "$obj"
} > "$log" 2>&1 || { tail -n 30 "$log" >&2; exit 1; }
echo "$src" > "$stamp"
echo "GoogleTest for Windows is in $prefix"
