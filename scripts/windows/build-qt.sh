#!/usr/bin/env bash
# Cross-builds the part of Qt the program needs (Core, Gui, Widgets, Network; the windows and
# offscreen platform plugins) from Debian's qt6-base source, with the host Qt's moc/rcc/uic.
# Installs into <build-dir>/qt6-mingw. Usage: build-qt.sh [build-dir]
set -euo pipefail

. "$(dirname "$0")/common.sh"
build=$(absolute_build "${1:-build-windows}")

prefix=$build/qt6-mingw
stamp=$prefix/.kelvora-built
if [ -f "$stamp" ]; then
  exit 0
fi

"$here/install-deps.sh"
mkdir -p "$build/logs"
log=$build/logs/qt.log

# The cross Qt runs the host's moc, rcc and uic, so both must be the very same version.
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
src=$("$here/fetch-source.sh" "$build" qt6-base "$version")
obj=$build/qt6-build

# 6.4's windows plugin reaches for Qt Gui's DirectWrite font database (a choice made only with
# -platform windows:fontengine=directwrite) whenever DirectWrite 3 is on, but Qt Gui holds it
# only along with direct2d. Without direct2d the plugin keeps its default GDI font database.
integration=$src/src/plugins/platforms/windows/qwindowsintegration.cpp
if grep -qx '#if QT_CONFIG(directwrite3)' "$integration"; then
  sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' "$integration"
fi

# 6.4 builds the TLS backend plugins whenever Qt Network is built, even with ssl off, and then
# they do not compile.
plugins=$src/src/plugins/CMakeLists.txt
if grep -qx '    add_subdirectory(tls)' "$plugins"; then
  sed -i 's/^    add_subdirectory(tls)$/    if(QT_FEATURE_ssl)\n        add_subdirectory(tls)\n    endif()/' "$plugins"
fi

# tabletevent: Debian's tarball leaves out the wintab headers it needs.
# direct2d: a second Windows platform plugin, also built on wintab; qwindows is the one used.
# OpenGL stays on (dynamic, as in Qt's own Windows builds): 6.4's windows plugin does not
# compile without it.
# The system_* features are off so nothing links mingw DLLs found in the sysroot (zlib1.dll).
configure=(
  cmake -S "$src" -B "$obj" -G Ninja
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX="$prefix"
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF
  -DFEATURE_sql=OFF -DFEATURE_testlib=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_dbus=OFF -DFEATURE_vulkan=OFF -DFEATURE_zstd=OFF
  -DFEATURE_ssl=OFF -DFEATURE_openssl=OFF -DFEATURE_tuiotouch=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
  -DFEATURE_system_textmarkdownreader=OFF
)

{
  echo "== $(date -u '+%F %T') configure"
  printf '%q ' "${configure[@]}"; echo
} >> "$log"
if [ ! -f "$obj/build.ninja" ]; then
  echo "Configuring Qt $version for Windows (log: $log)"
  "${configure[@]}" >> "$log" 2>&1 || { tail -n 30 "$log" >&2; exit 1; }
fi

echo "Building Qt for Windows; this takes one and a half to two hours on two cores (log: $log)"
start=$(date +%s)
echo "== $(date -u '+%F %T') build" >> "$log"
# nice: the machine stays usable for other work meanwhile.
nice -n 10 cmake --build "$obj" --parallel "$(nproc)" >> "$log" 2>&1 || { tail -n 30 "$log" >&2; exit 1; }
echo "== $(date -u '+%F %T') install" >> "$log"
cmake --install "$obj" >> "$log" 2>&1 || { tail -n 30 "$log" >&2; exit 1; }
echo "== $(date -u '+%F %T') done, build took $(( $(date +%s) - start )) s" >> "$log"
echo "$version" > "$stamp"
echo "Qt for Windows is in $prefix"
