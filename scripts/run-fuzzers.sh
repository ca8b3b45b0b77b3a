#!/usr/bin/env bash
# Builds the XML fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan)
# in build/fuzz and runs each for the given number of seconds (default 30),
# starting from the XML test files. Exits non-zero when a target finds a crash;
# the input that caused it is left in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQM_FUZZ=ON -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target xml_text_fuzz xml_binary_fuzz

seeds=tests/core/xml/data/xml
mkdir -p "$build/artifacts" "$build/corpus/xml_text_fuzz" "$build/corpus/xml_binary_fuzz"
cp -n "$seeds"/*.xml "$build/corpus/xml_text_fuzz/"
cp -n "$seeds"/*.bin "$build/corpus/xml_binary_fuzz/"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for target in xml_text_fuzz xml_binary_fuzz; do
  extra=()
  [ "$target" = xml_text_fuzz ] && extra=(-dict=fuzz/xml.dict)
  echo "== $target for ${seconds}s"
  if ! "$build/fuzz/$target" "${extra[@]}" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      "$build/corpus/$target" >"$build/$target.log" 2>&1; then
    echo "$target FAILED; see $build/$target.log and $build/artifacts/"
    tail -n 40 "$build/$target.log"
    status=1
  else
    grep -E "^Done|stat::number_of_executed_units" "$build/$target.log" | head -n 2
  fi
done
exit $status
