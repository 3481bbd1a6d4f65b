#!/usr/bin/env bash
# Runs a command against a fresh Xvfb server and stops the server after it.
#   with-xvfb.sh [XVFB ARGUMENTS...] -- COMMAND...
# The server picks a free display itself (-displayfd) and names it once it
# accepts connections: no race with servers started beside it, as xvfb-run -a
# has under load (two runs picking one display, or a readiness signal missed).
set -euo pipefail
server_arguments=()
while (($#)) && [[ "$1" != -- ]]; do
  server_arguments+=("$1")
  shift
done
shift
named="$(mktemp)"
Xvfb -displayfd 3 -nolisten tcp "${server_arguments[@]}" 3>"$named" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$named"' EXIT
# Only a hung server takes two minutes to start.
for _ in $(seq 1 2400); do
  if [[ -s "$named" ]] || ! kill -0 "$server" 2>/dev/null; then
    break
  fi
  sleep 0.05
done
if [[ ! -s "$named" ]]; then
  echo "with-xvfb.sh: Xvfb did not start" >&2
  exit 1
fi
unset XAUTHORITY
DISPLAY=":$(head -n1 "$named")" "$@"
