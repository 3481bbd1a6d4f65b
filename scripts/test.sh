#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs the
# whole test suite twice: plain, and with AddressSanitizer + UBSan; then the
# concurrency tests (the recogniser's request slot, the pending request, the
# local worker client, and the clipboard history's background file work) once
# more under ThreadSanitizer.
#
#   test.sh --under-load [CTEST ARGUMENTS...]
#     proves the suite holds on a busy machine: the plain and the sanitized
#     suite each run three times in a row with `ctest -j16` while 8 busy loops
#     run beside them, stopping at the first failing run. Arguments after the
#     option go to ctest (e.g. -R 'MLXServiceTest'). Not part of the default run.
#     RAVELOND_LOAD_ROUNDS, RAVELOND_LOAD_JOBS, RAVELOND_LOAD_LOOPS and
#     RAVELOND_LOAD_BUILDS (default "plain sanitized") change the figures.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
under_load=0
if [[ "${1:-}" == --under-load ]]; then
  under_load=1
  shift
fi
"$root/scripts/install-deps.sh" test

echo "== formatting"
cd "$root"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror

run_suite() {
  local name="$1"; shift
  local filter=()
  if [[ "${1:-}" == --only ]]; then filter=(-R "$2"); shift 2; fi
  local build="$root/build/$name"
  echo "== $name build"
  cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
  cmake --build "$build" -j "$jobs"
  echo "== $name tests"
  ctest --test-dir "$build" -j "$jobs" --output-on-failure --no-tests=error "${filter[@]}"
}

build_options() {
  case "$1" in
    plain) echo -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    sanitized) echo -DCMAKE_BUILD_TYPE=Debug -DRAVELOND_SANITIZE=ON ;;
    *) echo "unknown build: $1" >&2; return 1 ;;
  esac
}

busy_loops=()
stop_busy_loops() {
  if ((${#busy_loops[@]})); then
    kill "${busy_loops[@]}" 2>/dev/null || true
    wait "${busy_loops[@]}" 2>/dev/null || true
  fi
  busy_loops=()
}

run_under_load() {
  local rounds="${RAVELOND_LOAD_ROUNDS:-3}" load_jobs="${RAVELOND_LOAD_JOBS:-16}" loops="${RAVELOND_LOAD_LOOPS:-8}"
  trap stop_busy_loops EXIT
  local name
  for name in ${RAVELOND_LOAD_BUILDS:-plain sanitized}; do
    local build="$root/build/$name"
    # shellcheck disable=SC2046 # one argument per option
    cmake -S "$root" -B "$build" -G Ninja $(build_options "$name") >/dev/null
    cmake --build "$build" -j "$jobs"
    for _ in $(seq 1 "$loops"); do
      (while :; do :; done) &
      busy_loops+=($!)
    done
    local round
    for round in $(seq 1 "$rounds"); do
      echo "== $name tests under load, run $round of $rounds (ctest -j$load_jobs beside $loops busy loops)"
      ctest --test-dir "$build" -j "$load_jobs" --output-on-failure --no-tests=error "$@"
    done
    stop_busy_loops
  done
  echo "== every run passed under load"
}

if ((under_load)); then
  run_under_load "$@"
  exit 0
fi

run_suite plain -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite sanitized -DCMAKE_BUILD_TYPE=Debug -DRAVELOND_SANITIZE=ON
run_suite tsan --only '^(VisionOCRTest|PendingVisionRequestTest|TesseractRecognitionTest|MLXServiceTest|SerialWorkTest|BoundedWaitTest|ClipboardHistory(Background|File|Store)Test)\.' \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAVELOND_TSAN=ON -DRAVELOND_BUILD_BENCH=OFF
