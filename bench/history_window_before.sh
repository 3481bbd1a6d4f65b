#!/usr/bin/env bash
# The history-window benchmark beside the view as it was before its rows were
# made lazily (commit f41c087, a widget for every item), in the same run.
#
# Usage: bash bench/history_window_before.sh [BUILD_DIR] [benchmark options...]
#   BUILD_DIR defaults to build/plain; options go to ravelond-history-window
#   (e.g. --pinned 3000, --before-pinned 1000).
#
# The earlier tree is exported once (git archive, no worktree) under
# BUILD_DIR/history-before/source with today's benchmark source copied in, and
# only its ravelond-history-window target is built, in BUILD_DIR/history-before/build.
set -euo pipefail

before_commit=f41c087
source_dir="$(git -C "$(dirname "$0")" rev-parse --show-toplevel)"
build_dir="${1:-$source_dir/build/plain}"
[[ $# -gt 0 ]] && shift
build_dir="$(cd "$build_dir" && pwd)"
earlier="$build_dir/history-before"

if [[ ! -f "$earlier/source/CMakeLists.txt" ]]; then
    rm -rf "$earlier/source"
    mkdir -p "$earlier/source"
    git -C "$source_dir" archive "$before_commit" | tar -x -C "$earlier/source"
fi
# Today's benchmark, measuring that tree's view; its helpers are the same there but for the memory reader.
cp "$source_dir/bench/history_window.cpp" "$source_dir/bench/ProcessMemory.h" "$earlier/source/bench/"
if [[ ! -f "$earlier/build/build.ninja" ]]; then
    cmake -S "$earlier/source" -B "$earlier/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$earlier/build" -j3 --target ravelond-history-window >/dev/null
cmake --build "$build_dir" -j3 --target ravelond-history-window >/dev/null

exec "$build_dir/bench/ravelond-history-window" --before "$earlier/build/bench/ravelond-history-window" "$@"
