#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON
cmake --build build/asan

# No file may include a library above its own.
scripts/check-layers.py

# A short run of every fuzz target, under the sanitizers.
scripts/run-fuzzers.sh 30

# An X server with Mesa's software OpenGL for the tests that open a real window.
# Xvfb picks a free display number and writes it once it is ready.
xvfb_display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$xvfb_display_file" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$xvfb_display_file"' EXIT
for _ in $(seq 100); do [ -s "$xvfb_display_file" ] && break; sleep 0.1; done
[ -s "$xvfb_display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$xvfb_display_file")"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# System libraries (D-Bus, X11, Mesa) keep allocations for the whole process.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
ctest --test-dir build/asan --output-on-failure -j "$(nproc)"
