#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the fuzz targets of a build configured with -DZUL_FUZZ=ON on their corpora, two at a
# time, and says for each what it ran and what it found.
#
#   tests/fuzz/fuzz.sh BUILD SECONDS [TARGET...]    each target (all when none are named)
#
# The seeds are tests/fuzz/corpus/<target>/ and regressions/<target>/; what a run adds to them
# stays in BUILD/fuzz/corpus/<target>/ for the next run, findings go to
# BUILD/fuzz/findings/<target>/. Exit status 1 when a target found something.
set -uo pipefail
cd "$(dirname "$0")/../.."
if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD SECONDS [TARGET...]" >&2
  exit 2
fi
build=$1 seconds=$2
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/fuzz_*.cpp; do
    t=$(basename "$f" .cpp)
    targets+=("${t#fuzz_}")
  done
fi
for t in "${targets[@]}"; do
  if [ ! -x "$build/bin/fuzz_$t" ]; then
    echo "no $build/bin/fuzz_$t: configure $build with CXX=clang++ -DZUL_FUZZ=ON and build it" >&2
    exit 2
  fi
done

run_one() {
  local t=$1 dict=tests/fuzz/files.dict
  case $t in linerules | linkcore) dict=tests/fuzz/unit.dict ;; esac
  local work="$build/fuzz/corpus/$t" found="$build/fuzz/findings/$t" seeds=()
  mkdir -p "$work" "$found"
  # libFuzzer takes a link for a file: the folders linked in are corpora of their own.
  for d in "tests/fuzz/corpus/$t" "tests/fuzz/corpus/$t"/* "tests/fuzz/regressions/$t"; do
    if [ -L "$d" ] && [ -d "$d" ]; then seeds+=("$d/"); elif [ -d "$d" ]; then seeds+=("$d"); fi
  done
  # A unit that takes over 10 s, or 2 GB, is a finding: the window would be frozen meanwhile.
  QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    nice -n 19 "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -dict="$dict" -print_final_stats=1 -artifact_prefix="$found/" \
    "$work" "${seeds[@]}" >"$build/fuzz/$t.log" 2>&1
  local runs cov findings
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz/$t.log" | tail -1)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$build/fuzz/$t.log" | tail -1)
  findings=$(find "$found" -type f | wc -l)
  printf '%-10s %8s runs in %s s, %s, corpus %s, findings %s\n' "$t" "${runs:-?}" "$seconds" \
    "${cov:-cov: ?}" "$(find "$work" -type f | wc -l)" "$findings"
  if [ "$findings" -gt 0 ]; then
    find "$found" -type f | sed "s|^|  replay: $build/bin/fuzz_replay $t |"
    grep -m1 -A3 -E 'fuzz check failed|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' \
      "$build/fuzz/$t.log" | sed 's/^/  /'
    return 1
  fi
}

mkdir -p "$build/fuzz"
status=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
exit $status
