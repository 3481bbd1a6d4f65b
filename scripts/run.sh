#!/usr/bin/env bash
# Installs what is missing, builds Ravelond and runs it with the given arguments.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh" run
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRAVELOND_BUILD_TESTS=OFF -DRAVELOND_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/release" --target ravelond
exec "$root/build/release/src/ravelond" "$@"
