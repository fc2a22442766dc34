#!/usr/bin/env bash
# Installs the Debian packages Kelvora needs to build and test; with --desktop also what the
# running program uses on a desktop (a viewer for Help.chm), with --fuzz what `make fuzz` builds
# with (clang and its libFuzzer). Skips what is there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev libegl-dev
  fonts-dejavu-core  # the window is laid out for this font; the layout test measures with it
  libgtest-dev libgmock-dev
  par2        # the PAR2 tool, used by the program and its tests
  fp-utils    # chmcmd, which compiles Help.chm
  desktop-file-utils  # the install test validates the desktop entry
  xvfb dbus-daemon at-spi2-core  # the screen-reader test: a private display, session bus and AT-SPI bus
)
for option in "$@"; do
  case "$option" in
    --desktop) packages+=(xdg-utils xchm) ;;  # Help opens Help.chm with the desktop's viewer
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;  # libclang-rt: libFuzzer and the sanitizers' runtimes
    *) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done

exec "$(dirname "$0")/apt-install-missing.sh" "${packages[@]}"
