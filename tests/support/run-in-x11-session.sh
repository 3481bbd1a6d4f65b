#!/usr/bin/env bash
# Runs a test program in a fresh Xvfb server with a window manager and a tray
# host. Listing the tests needs no display.
set -euo pipefail
for argument in "$@"; do
  if [[ "$argument" == --gtest_list_tests ]]; then
    exec "$@"
  fi
done
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
screen="${RAVELOND_XVFB_SCREEN:-1920x1080x24}"
exec xvfb-run -a -s "-screen 0 ${screen} -nolisten tcp" "$here/x11-session.sh" "$@"
