#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for SECONDS seconds on a
# copy of its seed corpus in build/fuzz. Exits non-zero on any finding (a
# crash, a leak, a timeout, a sanitizer report, a broken invariant); the
# input that caused it is left in build/fuzz/artifacts/<target>/.
#
#   bash fuzz/run.sh SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run.sh SECONDS}
build=build/fuzz

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The targets write their input files into a scratch directory under TMPDIR
# on every run; a memory file system makes that several times faster.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

status=0
for target in convert tokreader; do
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target
  # The committed seeds stay untouched; the fuzzer grows its own copy.
  mkdir -p "$corpus" "$artifacts"
  cp -n fuzz/corpus/$target/* "$corpus"/ 2>/dev/null || true
  log=$build/fuzz_$target.log
  echo "== fuzz_$target for ${seconds}s (log: $log)"
  if ! "$build/fuzz/fuzz_$target" "$corpus" \
      -dict=fuzz/keywords.dict -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
      -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts/" >"$log" 2>&1; then
    echo "fuzz_$target: finding, see $log and $artifacts/"
    tail -n 40 "$log"
    status=1
    continue
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE' "$log" || true
done
exit $status
