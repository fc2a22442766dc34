#!/usr/bin/env bash
# Runs every benchmark program; each prints its figure as its last line: `name value`.
set -uo pipefail
build="$1"
status=0
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" || status=1
done
exit $status
