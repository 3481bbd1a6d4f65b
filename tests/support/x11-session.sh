#!/usr/bin/env bash
# Inside an X server: start openbox and trayer, wait until the window manager
# has claimed the screen, run the command, then stop both.
set -uo pipefail
openbox --sm-disable >/dev/null 2>&1 &
openbox_pid=$!
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
trayer_pid=$!
cleanup() {
  kill "$trayer_pid" "$openbox_pid" 2>/dev/null
  wait "$trayer_pid" "$openbox_pid" 2>/dev/null
}
trap cleanup EXIT
# The EWMH check window appears once openbox manages the screen.
for _ in $(seq 1 200); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    break
  fi
  sleep 0.05
done
"$@"
