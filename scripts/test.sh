#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs the
# whole test suite twice: plain, and with AddressSanitizer + UBSan.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
"$root/scripts/install-deps.sh" test

echo "== formatting"
cd "$root"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror

run_suite() {
  local name="$1"; shift
  local build="$root/build/$name"
  echo "== $name build"
  cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
  cmake --build "$build" -j "$jobs"
  echo "== $name tests"
  ctest --test-dir "$build" -j "$jobs" --output-on-failure --no-tests=error
}

run_suite plain -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite sanitized -DCMAKE_BUILD_TYPE=Debug -DRAVELOND_SANITIZE=ON
