#!/usr/bin/env bash
# Links the outside tools beside the program, where Kelvora looks for them (and nowhere else).
#   scripts/link-tools.sh <program-folder> [<fetched rar>]
# rar: one the user copied into the program folder stays; else one on PATH; else the one that
# scripts/fetch-rar.sh fetched from Debian's non-free component.
set -euo pipefail
bin="$1"
fetched="${2:-}"
# The links are read from the program folder, so a path given from here must not stay relative.
case "$fetched" in ""|/*) ;; *) fetched="$PWD/$fetched" ;; esac

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
# PATH may hold the program folder itself: its own rar is not one of the user's.
if [ -n "$rar_path" ] && [ "$(cd "$(dirname "$rar_path")" && pwd -P)" = "$(cd "$bin" && pwd -P)" ]; then
  rar_path=""
fi
if [ -n "$rar_path" ]; then
  ln -sfn "$rar_path" "$bin/rar"
elif [ -n "$fetched" ] && [ -x "$fetched" ]; then
  ln -sfn "$fetched" "$bin/rar"
elif [ -L "$bin/rar" ] && [ ! -e "$bin/rar" ]; then
  rm -f "$bin/rar"  # a link of ours whose archiver is gone; fetch-rar.sh has said why
fi
