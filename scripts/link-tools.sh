#!/usr/bin/env bash
# Links the outside tools beside the program, where Kelvora looks for them (and nowhere else).
set -euo pipefail
bin="$1"

par2_path=$(command -v par2 || true)
if [ -n "$par2_path" ]; then
  ln -sfn "$par2_path" "$bin/par2"
else
  echo "par2 was not found: install the Debian package 'par2' (make deps does)." >&2
fi

if [ -e "$bin/rar" ] && [ ! -L "$bin/rar" ]; then
  exit 0  # a rar copied there by the user stays
fi
rar_path=$(command -v rar || true)
if [ -n "$rar_path" ]; then
  ln -sfn "$rar_path" "$bin/rar"
else
  cat >&2 <<MSG
Note: no 'rar' program was found on PATH. Kelvora packs with RARLAB's command-line
archiver 'rar', which Debian does not package. Download "RAR for Linux" from RARLAB,
then either put 'rar' on your PATH and run 'make run' again, or copy it to
$bin/rar. Until then Start says that the archiver is not found.
MSG
fi
