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
  googletest                       # ships the googletest sources under /usr/src
  wine wine64                      # runs the Windows tests here
  fonts-wine                       # Tahoma and the other faces Windows programs expect
  xvfb xauth                       # a display for the windows platform plugin under wine
  zip
  fp-utils                         # chmcmd, which compiles Help.chm
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then
    sudo="sudo"
  else
    echo "These packages are missing and this user cannot install them: ${missing[*]}" >&2
    echo "Ask an administrator to run: apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
