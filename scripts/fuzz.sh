#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60)
# on a copy of its seed corpus in fuzz/corpus/. New findings stay in build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
bash scripts/bootstrap.sh
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc)" --target fuzz_receive fuzz_block fuzz_text fuzz_files fuzz_params
export ASAN_OPTIONS="detect_leaks=0"
# Undefined behaviour counts as a crash, not as a line in the log.
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"
for t in receive block text files params; do
  work="build/fuzz/corpus/$t"
  mkdir -p "$work"
  cp -n fuzz/corpus/"$t"/* "$work"/ 2>/dev/null || true
  # Replies longer than the 4096-byte receive buffer must be reachable.
  extra=()
  if [ "$t" = receive ]; then extra=(-max_len=10000); fi
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  build/fuzz/fuzz/fuzz_"$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 "${extra[@]}" \
    -artifact_prefix=build/fuzz/"$t"- "$work" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|crash-|Done' || true
  # A finding leaves an artifact and a non-zero status: fail loudly.
  # (compgen, not ls: ls of three patterns fails whenever one of them matches nothing)
  if compgen -G "build/fuzz/$t-crash-*" >/dev/null || compgen -G "build/fuzz/$t-leak-*" >/dev/null ||
    compgen -G "build/fuzz/$t-timeout-*" >/dev/null; then
    echo "fuzz_$t found a fault"; exit 1
  fi
done
