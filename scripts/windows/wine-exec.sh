#!/usr/bin/env bash
# Runs one Windows program under wine: the emulator CMake and ctest use. Wine keeps the Unix
# side's QT_* variables from Windows programs (they are meant for the host's Qt) but passes
# WINE-prefixed ones on without the prefix, so the QT_* set here go through that way.
set -euo pipefail
for name in $(compgen -e); do
  case $name in QT_*) export "WINE$name=${!name}" ;; esac
done
exec wine "$@"
