#!/usr/bin/env bash
# Runs the libFuzzer targets of the clang build (tests/fuzz/*.cpp) on scratch
# copies of their committed seed corpora; new inputs and crash files are
# written only there.
#   scripts/fuzz.sh [TARGET|all] [SECONDS]   by hand: each target that long (default 120)
#   scripts/fuzz.sh --ci TARGET              what ctest runs: a fixed number of inputs, fixed seed
# FUZZ_BUILD: the fuzz build folder (default build/fuzz).
# FUZZ_WORK: the scratch folder (default ${TMPDIR:-/tmp}/tarnwick-fuzz); a
#   target's new inputs collect in FUZZ_WORK/TARGET/corpus across runs by hand.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$top/build/fuzz}
work=${FUZZ_WORK:-${TMPDIR:-/tmp}/tarnwick-fuzz}
ci=0
if [ "${1:-}" = --ci ]; then ci=1; shift; fi
target=${1:-all}
seconds=${2:-120}

if [ "$target" = all ]; then
  targets=$(cd "$top/tests/fuzz" && ls -- *.cpp | grep -v '^Stub' | sed 's/\.cpp$//')
else
  targets=$target
fi
status=0
for t in $targets; do
  bin=$build/$t
  if [ ! -x "$bin" ] || [ ! -d "$top/tests/fuzz/corpus/$t" ]; then
    echo "fuzz.sh: no target $t (built: $bin; seeds: tests/fuzz/corpus/$t)" >&2
    status=1
    continue
  fi
  dir=$work/$t
  [ $ci = 1 ] && rm -rf "$dir"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  cp -n "$top/tests/fuzz/corpus/$t/"* "$dir/corpus/"
  if [ $ci = 1 ]; then
    limits="-runs=30000 -seed=1"
  else
    limits="-max_total_time=$seconds"
  fi
  echo "== $t"
  # shellcheck disable=SC2086
  "$bin" $limits -max_len=4096 -timeout=30 -print_final_stats=1 \
         -artifact_prefix="$dir/artifacts/" "$dir/corpus" || status=1
done
exit $status
