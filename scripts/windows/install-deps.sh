#!/usr/bin/env bash
# Installs the Debian packages the Windows cross build needs: the mingw-w64 compilers, the host
# Qt whose tools (moc, rcc, uic) the cross Qt reuses, wine to run the tests, and what fetching
# and unpacking Debian source packages takes. Skips what is there.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools  # host Qt: the cross build runs its moc/rcc/uic
  dpkg-dev xz-utils                # apt-get source / dpkg-source
  autoconf automake                # par2cmdline, when its tarball has no configure
  curl ca-certificates git bzip2   # par2cmdline's release from GitHub, checked by its commit
  googletest                       # ships the googletest sources under /usr/src
  wine wine64                      # runs the Windows tests here
  fonts-wine                       # Tahoma and the other faces Windows programs expect
  xvfb xauth                       # a display for the windows platform plugin under wine
  zip
  fp-utils                         # chmcmd, which compiles Help.chm
)

exec "$(dirname "$0")/../apt-install-missing.sh" "${packages[@]}"
