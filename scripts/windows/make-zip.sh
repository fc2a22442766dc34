#!/usr/bin/env bash
# Packs the cross-built program for users: <build-dir>/kelvora-<version>-windows-x64.zip with one
# folder, Kelvora\, holding Kelvora.exe, the Qt and runtime DLLs and plugins it loads, Help.chm,
# phpar2.exe with par2cmdline's licence (phpar2-COPYING.txt) when build-par2.sh could build it,
# and README.txt. rar.exe is never included: it is WinRAR's, and the user copies it from there.
# Usage: make-zip.sh [build-dir]
set -euo pipefail

. "$(dirname "$0")/common.sh"
build=$(absolute_build "${1:-build-windows}")

version=$(sed -n 's/^project(Kelvora VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
bin=$build/kelvora/bin
[ -f "$bin/Kelvora.exe" ] || { echo "No $bin/Kelvora.exe: run make windows first." >&2; exit 1; }

stage=$build/zip
dest=$stage/Kelvora
rm -rf "$stage"
mkdir -p "$dest"
"$here/deploy-qt.sh" "$build" "$dest" "$bin/Kelvora.exe"
x86_64-w64-mingw32-strip --strip-unneeded "$dest/Kelvora.exe"
if [ -f "$bin/Help.chm" ]; then
  cp "$bin/Help.chm" "$dest/"
else
  echo "No Help.chm was built (chmcmd missing?): the zip goes without it." >&2
fi
have_par2=0
if [ -f "$build/tools/phpar2.exe" ] && [ -f "$build/tools/phpar2-COPYING.txt" ]; then
  cp "$build/tools/phpar2.exe" "$build/tools/phpar2-COPYING.txt" "$dest/"
  have_par2=1
  # What build-par2.sh recorded: the version, and with it the release on GitHub.
  par2_version=$(sed -n 's/^version=//p' "$build/tools/phpar2.info" 2>/dev/null || true)
  par2_name="par2cmdline${par2_version:+ $par2_version}"
  par2_release=${par2_version:+, release v$par2_version}
fi

# Notepad of older Windows shows only CRLF line ends as line ends.
{
  cat <<TEXT
Kelvora $version for Windows (64-bit)
====================================

Kelvora packs a file or a folder into split RAR volumes with rar.exe, then makes
PAR2 recovery files for them with phpar2.exe. Both programs must lie in this
folder, beside Kelvora.exe, under exactly these names.

rar.exe
  Kelvora does not include it: rar.exe is WinRAR's command-line archiver.
  Install WinRAR (https://www.win-rar.com/), then copy rar.exe from the WinRAR
  installation folder (usually C:\\Program Files\\WinRAR) to this folder.
TEXT
  if [ "$have_par2" -eq 1 ]; then
    cat <<TEXT

phpar2.exe
  Included, so rar.exe is all you add: $par2_name, built for Windows as
  phpar2.exe from its source code as published at
  https://github.com/Parchive/par2cmdline$par2_release.
  par2cmdline is free software under the GNU General Public License, version 2
  or later; its licence text is phpar2-COPYING.txt in this folder.
TEXT
  else
    cat <<TEXT

phpar2.exe
  This package does not include it. Download a Windows build of par2cmdline
  (https://github.com/Parchive/par2cmdline/releases, par2cmdline-...-win-x64.zip),
  copy its par2.exe to this folder and rename it to phpar2.exe. A phpar2.exe
  you already have (from an older posting tool) serves as well.
TEXT
  fi
  cat <<TEXT

Start Kelvora.exe. Help.chm is its help file. Kelvora keeps its choices in
Settings.ini in this folder when you may write here, otherwise in
%APPDATA%\\kelvora.


Kelvora $version voor Windows (64-bit)
=====================================

Kelvora pakt een bestand of map in als gesplitste RAR-volumes met rar.exe en
maakt daarna PAR2-herstelbestanden met phpar2.exe. Beide programma's moeten in
deze map staan, naast Kelvora.exe, onder precies deze namen.

rar.exe
  Kelvora levert het niet mee: rar.exe is de opdrachtregelversie van WinRAR.
  Installeer WinRAR (https://www.win-rar.com/) en kopieer dan rar.exe uit de
  WinRAR installatiemap (meestal C:\\Program Files\\WinRAR) naar deze map.
TEXT
  if [ "$have_par2" -eq 1 ]; then
    cat <<TEXT

phpar2.exe
  Meegeleverd, dus u voegt alleen rar.exe toe: $par2_name, voor Windows
  gebouwd als phpar2.exe uit de broncode zoals gepubliceerd op
  https://github.com/Parchive/par2cmdline$par2_release.
  par2cmdline is vrije software onder de GNU General Public License, versie 2
  of later; de licentietekst is phpar2-COPYING.txt in deze map.
TEXT
  else
    cat <<TEXT

phpar2.exe
  Dit pakket bevat het niet. Download een Windows-versie van par2cmdline
  (https://github.com/Parchive/par2cmdline/releases, par2cmdline-...-win-x64.zip),
  kopieer de par2.exe daaruit naar deze map en hernoem hem naar phpar2.exe. Een
  phpar2.exe die u al heeft (van een ouder programma) werkt ook.
TEXT
  fi
  cat <<TEXT

Start Kelvora.exe. Help.chm is het helpbestand. Kelvora bewaart uw keuzes in
Settings.ini in deze map als u hier mag schrijven, anders in %APPDATA%\\kelvora.
TEXT
} | sed 's/$/\r/' > "$dest/README.txt"

zip=$build/kelvora-$version-windows-x64.zip
rm -f "$zip"
(cd "$stage" && zip -qr -X "$zip" Kelvora)
echo "$zip: $(du -h "$zip" | cut -f1)"
(cd "$stage" && find Kelvora -type f | sort | sed 's/^/  /')
