#!/usr/bin/env bash
# Inside an X server: start openbox and trayer, wait until the window manager
# has claimed the screen, run the command, then stop both.
#   RAVELOND_X11_MONITORS="NAME=WxH+X+Y ..."  cuts the screen into these
#   displays first (Qt gives each its own QScreen; QT_SCREEN_SCALE_FACTORS
#   takes the names). They last as long as the client that made them.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
pids=()
cleanup() {
  kill "${pids[@]}" 2>/dev/null
  wait "${pids[@]}" 2>/dev/null
}
trap cleanup EXIT
if [[ -n "${RAVELOND_X11_MONITORS:-}" ]]; then
  ready="$(mktemp)"
  # shellcheck disable=SC2086 # one argument per display
  python3 "$here/hold-monitors.py" $RAVELOND_X11_MONITORS >"$ready" &
  pids+=($!)
  for _ in $(seq 1 1200); do
    if grep -q ready "$ready"; then
      break
    fi
    sleep 0.05
  done
  rm -f "$ready"
fi
# The EWMH check window appears once openbox manages the screen; one that
# died on the way (a busy server can refuse a fresh client) is started again.
managed=0
for _ in 1 2 3; do
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  pids+=("$wm")
  for _ in $(seq 1 1200); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
      managed=1
      break
    fi
    kill -0 "$wm" 2>/dev/null || break
    sleep 0.05
  done
  if ((managed)) || kill -0 "$wm" 2>/dev/null; then
    break
  fi
  echo "x11-session.sh: openbox exited before it managed the screen; starting it again" >&2
done
((managed)) || echo "x11-session.sh: openbox never managed the screen" >&2
# The tray is up once its panel window exists; one that died on the way is
# started again.
for _ in 1 2 3; do
  trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
  tray=$!
  pids+=("$tray")
  for _ in $(seq 1 1200); do
    if ! kill -0 "$tray" 2>/dev/null || xdotool search --classname trayer >/dev/null 2>&1; then
      break
    fi
    sleep 0.05
  done
  if kill -0 "$tray" 2>/dev/null; then
    break
  fi
  echo "x11-session.sh: trayer exited; starting it again" >&2
done
"$@"
