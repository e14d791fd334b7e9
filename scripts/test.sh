#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UBSan and
# runs every test headless: Xvfb with Mesa's software OpenGL, SDL's dummy audio.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps.sh

build=${QUENRITH_TEST_BUILD:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUENRITH_SANITIZE=ON -DQUENRITH_TESTS=ON
cmake --build "$build" -j"$(nproc)"

export SDL_AUDIODRIVER=dummy
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export XDG_RUNTIME_DIR=$(mktemp -d)
ctest_log=$(mktemp)
trap 'rm -rf "$XDG_RUNTIME_DIR" "$ctest_log"' EXIT
status=0
# -noreset: by default the server resets whenever its last client leaves, and a
# test connecting in that moment is refused or cut off (SIGPIPE).
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
  ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600 | tee "$ctest_log" || status=1

if [ -x scripts/fuzz.sh ]; then
  scripts/fuzz.sh || status=1
fi

# The test runner's own summary closes the output.
grep -E '^[0-9]+% tests passed' "$ctest_log" | tail -n 1
exit $status
