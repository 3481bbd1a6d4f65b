#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs the
# whole test suite twice: plain, and with AddressSanitizer + UBSan; then the
# concurrency tests (the recogniser's request slot, the pending request, the
# local worker client, and the clipboard history's background file work) once
# more under ThreadSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
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

run_suite plain -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite sanitized -DCMAKE_BUILD_TYPE=Debug -DRAVELOND_SANITIZE=ON
run_suite tsan --only '^(VisionOCRTest|PendingVisionRequestTest|MLXServiceTest|SerialWorkTest|BoundedWaitTest|ClipboardHistory(Background|File|Store)Test)\.' \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAVELOND_TSAN=ON -DRAVELOND_BUILD_BENCH=OFF
