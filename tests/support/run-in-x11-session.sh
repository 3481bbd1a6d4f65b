#!/usr/bin/env bash
# Runs a test program in a fresh Xvfb server with a window manager and a tray
# host (see with-xvfb.sh). Listing the tests needs no display.
#   RAVELOND_XVFB_SCREEN               the virtual screen, default 1920x1080x24
#   RAVELOND_XVFB_NO_BACKING_STORE=1   a server without backing store: what a
#                                      window uncovers stays until its owner
#                                      repaints it
#   RAVELOND_X11_MONITORS              displays cut from the screen (see x11-session.sh)
set -euo pipefail
for argument in "$@"; do
  if [[ "$argument" == --gtest_list_tests ]]; then
    exec "$@"
  fi
done
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
screen="${RAVELOND_XVFB_SCREEN:-1920x1080x24}"
server=(-screen 0 "$screen")
if [[ -n "${RAVELOND_XVFB_NO_BACKING_STORE:-}" ]]; then
  server+=(-bs)
fi
exec "$here/with-xvfb.sh" "${server[@]}" -- "$here/x11-session.sh" "$@"
