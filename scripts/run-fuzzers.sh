#!/usr/bin/env bash
# Runs every fuzz target built into <build-dir> for <seconds> each, starting from its seed corpus
# in fuzz/corpus/<target>/ (what it finds is kept in <build-dir>/corpus/<target>/, never in the
# repository), and prints each target's executions and whether it failed. A failing input is
# left in <build-dir>/failures/<target>/. Exits 1 when any target failed.
#
#   scripts/run-fuzzers.sh <build-dir> <seconds>
set -uo pipefail

build="${1:?usage: run-fuzzers.sh <build-dir> <seconds>}"
seconds="${2:?usage: run-fuzzers.sh <build-dir> <seconds>}"
seeds="$(cd "$(dirname "$0")/../fuzz/corpus" && pwd)"

failed=0
summary=()
for binary in "$build"/fuzz_*; do
  [ -x "$binary" ] || continue
  target="${binary##*/fuzz_}"
  corpus="$build/corpus/$target"
  failures="$build/failures/$target"
  log="$build/logs/$target.log"
  rm -rf "$failures"
  mkdir -p "$corpus" "$failures" "$(dirname "$log")"
  echo "Fuzzing $target for ${seconds}s..."
  # -timeout: an input taking a second is a fault of its own; -rss_limit_mb: as is a greedy one.
  "$binary" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="$failures/" "$corpus" "$seeds/$target" >"$log" 2>&1
  status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  if [ "$status" -eq 0 ]; then
    result="ok"
  else
    result="FAILED (exit $status): see $log and $failures/"
    failed=1
    grep -m1 -E 'ERROR: |Broken rule|runtime error' "$log" | sed 's/^/    /'
  fi
  summary+=("$(printf '%-16s %12s runs  %s' "$target" "${runs:-?}" "$result")")
done

[ ${#summary[@]} -gt 0 ] || { echo "No fuzz targets in $build" >&2; exit 1; }
echo
echo "Fuzzing summary (${seconds}s per target):"
printf '  %s\n' "${summary[@]}"
exit $failed
