#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UBSan and
# runs every test headless: Xvfb with Mesa's software OpenGL, SDL's dummy audio.
# Then the same suite in a plain RelWithDebInfo build (faults that the sanitizers'
# allocator hides show there), then the bounded fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps.sh

launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

export SDL_AUDIODRIVER=dummy
export LIBGL_ALWAYS_SOFTWARE=1
# LeakSanitizer's thread tracer can crash at exit on Mesa's rasterizer threads
# (seen with one build's layout, every run): Mesa draws on the calling thread.
export LP_NUM_THREADS=0
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export XDG_RUNTIME_DIR=$(mktemp -d)
ctest_log=$(mktemp)
retried_log=$(mktemp)
trap 'rm -rf "$XDG_RUNTIME_DIR" "$ctest_log" "$retried_log"' EXIT
status=0

# run_suite BUILD_FOLDER BUILD_TYPE SANITIZE
run_suite() {
  cmake -S . -B "$1" -DCMAKE_BUILD_TYPE="$2" -DQUENRITH_SANITIZE="$3" -DQUENRITH_TESTS=ON "${launcher[@]}"
  cmake --build "$1" -j"$(nproc)"
  # -noreset: the server must not reset between two tests' connections.
  local xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset")
  # Each test's time limit is its own (tests/CMakeLists.txt): the real-program
  # tests are told theirs and end their waits short of it.
  if ! "${xvfb[@]}" ctest --test-dir "$1" --output-on-failure -j"$(nproc)" | tee -a "$ctest_log"; then
    # The real program is driven by X key events on a shared machine: a failed
    # test runs once more, alone. It passes only if it passes then, and is
    # named at the end either way.
    local failed="$1/Testing/Temporary/LastTestsFailed.log"
    [ -f "$failed" ] && sed "s|^|$1: failed once: |" "$failed" >> "$retried_log"
    "${xvfb[@]}" ctest --test-dir "$1" --rerun-failed --output-on-failure | tee -a "$ctest_log" || status=1
  fi
}

run_suite "${QUENRITH_TEST_BUILD:-build-test}" Debug ON
run_suite "${QUENRITH_REL_BUILD:-build-rel}" RelWithDebInfo OFF

if [ -x scripts/fuzz.sh ]; then
  scripts/fuzz.sh || status=1
fi

# The test runner's own summaries close the output, with the names of any
# failed tests, so that a failure is named even where only the tail is seen.
grep -E '^[0-9]+% tests passed|^[[:space:]]+[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Subprocess aborted|Exception|Not Run)' \
  "$ctest_log" | tail -n 40 || true
cat "$retried_log"
exit $status
