#!/usr/bin/env bash
# Runs fuzz targets built in build-fuzz, each for SECONDS, from the seeds
# (made by fuzz_seeds) and the corpus earlier runs kept. A crash, a
# sanitizer report, a leak, an input taking over a second or 256 MB is a
# finding: its input is kept in build-fuzz/findings/ and the run ends
# non-zero after every target has had its turn.
#   fuzz/run.sh SECONDS [TARGET...]      (TARGET without the fuzz_ prefix)
# FUZZ_SEED fixes libFuzzer's random seed, so that CI's short runs try the
# same inputs every time and a red run can be replayed.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=$1; shift
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(archive packed commatext settings png jpeg sound script save lsp)
dir=build-fuzz
mkdir -p "$dir/findings"
# A small quarantine: ASan's default one alone would pass the 256 MB limit.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=16}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
declare -A dicts=([archive]=packed [packed]=packed [commatext]=packed [settings]=packed
                  [png]=png [jpeg]=jpeg [sound]=riff [script]=script [save]=packed [lsp]=lsp)
failed=()
for t in "${targets[@]}"; do
  corpus=$dir/corpus/$t
  # A temporary folder per target, so that runs of other targets side by side
  # never clear each other's files.
  export TMPDIR=$PWD/$dir/tmp/$t
  mkdir -p "$corpus" "$TMPDIR"
  log=$dir/findings/$t.log
  "$dir/fuzz_$t" -max_len=65536 -timeout=${FUZZ_TIMEOUT:-1} -rss_limit_mb=256 \
    -max_total_time="$seconds" ${FUZZ_SEED:+-seed=$FUZZ_SEED} -print_final_stats=1 -dict="fuzz/dict/${dicts[$t]}.dict" \
    -artifact_prefix="$dir/findings/$t-" "$corpus" "$dir/seeds/fuzz_$t" >"$log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$')
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
  echo "fuzz_$t: ${runs:-?} runs, ${speed:-?}/s, ${cov:-no coverage line}$([[ $rc -ne 0 ]] && echo ", FINDING (see $log)")"
  if [[ $rc -ne 0 ]]; then
    failed+=("$t")
    grep -m3 -E 'ERROR|SUMMARY|runtime error|Timeout|out-of-memory|uncaught' "$log" | sed 's/^/    /'
  fi
  rm -rf "$TMPDIR"/vantel-fuzz-*
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz: findings in ${failed[*]}; inputs in $dir/findings/" >&2
  exit 1
fi
