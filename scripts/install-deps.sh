#!/usr/bin/env bash
# Installs the Debian packages Kelvora needs to build and test; with --desktop also what the
# running program uses on a desktop (a viewer for Help.chm). Skips what is there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev libegl-dev
  fonts-dejavu-core  # the window is laid out for this font; the layout test measures with it
  libgtest-dev libgmock-dev
  par2        # the PAR2 tool, used by the program and its tests
  fp-utils    # chmcmd, which compiles Help.chm
  desktop-file-utils  # the install test validates the desktop entry
)
if [ "${1:-}" = "--desktop" ]; then
  packages+=(xdg-utils xchm)  # Help opens Help.chm with the desktop's viewer
fi

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
