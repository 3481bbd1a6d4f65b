"""A worker that misbehaves on purpose, standing in for the engine's runtime.

Usage: fake_worker.py SCENARIO [anything the client passes]

SCENARIO shapes the start: normal (writes "ready"), silent (never reads its
input, as if loading forever), startup-error, startup-error-bare,
ignore-term (ignores SIGTERM and the end of its input), leave-child (starts a child in its process
group that ignores SIGTERM), silent-with-child (both: the child, then never reads).

Each request's image file holds the instruction for the reply:
  reply TEXT        a result with TEXT
  echo              a result whose text is the request line as read
  args              a result whose text is the JSON list of its arguments
  env               a result whose text is the JSON of the three offline variables and OMP_THREAD_LIMIT
  pid               a result whose text is this worker's process id
  truncated JSON    a result with "truncated" set to the JSON value given
  untruncated       a result without "truncated"
  error [TEXT]      an error reply (without "error" when TEXT is missing)
  other-id          a result for another id, then nothing
  garbage | empty | array   a line that is not a JSON object with a "type"
  flood             more than 4 MiB without a line feed
  hang              nothing at all
  exit              exits with status 3 without replying
  startup-error     a startup_error, then a result for the request in the same write
  reply-then-empty  a result, then an empty line
  reply-then-exit   a result with its process id, then exits on SIGUSR1
"""

import json
import os
import signal
import subprocess
import sys

out = sys.stdout.buffer


def write(data):
    out.write(data)
    out.flush()


def line(reply):
    return (json.dumps(reply) + "\n").encode()


def result(request_id, text, **extra):
    return line(dict({"type": "result", "id": request_id, "text": text}, **extra))


def answer(request_line):
    request = json.loads(request_line)
    request_id = request["id"]
    with open(request["image"], encoding="utf-8") as stream:
        word, _, rest = stream.read().strip().partition(" ")
    if word == "reply":
        write(result(request_id, rest))
    elif word == "echo":
        write(result(request_id, request_line.rstrip("\n")))
    elif word == "args":
        write(result(request_id, json.dumps(sys.argv[2:])))
    elif word == "env":
        names = ["HF_HUB_OFFLINE", "TRANSFORMERS_OFFLINE", "HF_HUB_DISABLE_TELEMETRY", "OMP_THREAD_LIMIT"]
        write(result(request_id, json.dumps({name: os.environ.get(name) for name in names})))
    elif word == "pid":
        write(result(request_id, str(os.getpid())))
    elif word == "truncated":
        write(result(request_id, "cut", truncated=json.loads(rest)))
    elif word == "untruncated":
        write(result(request_id, "whole"))
    elif word == "error":
        reply = {"type": "error", "id": request_id}
        if rest:
            reply["error"] = rest
        write(line(reply))
    elif word == "other-id":
        write(result("00000000-0000-0000-0000-000000000000", "not yours"))
    elif word == "garbage":
        write(b"this is not JSON\n")
    elif word == "empty":
        write(b"\n")
    elif word == "array":
        write(b'["type", "result"]\n')
    elif word == "flood":
        write(b"x" * (4 * 1024 * 1024 + 1))
    elif word == "exit":
        sys.exit(3)
    elif word == "startup-error":
        write(line({"type": "startup_error", "error": "The model vanished."}) + result(request_id, "too late"))
    elif word == "reply-then-empty":
        write(result(request_id, "fine") + b"\n")
    elif word == "reply-then-exit":
        signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGUSR1})
        write(result(request_id, str(os.getpid())))
        signal.sigwait({signal.SIGUSR1})
        sys.exit(0)
    # "hang" and anything unknown: no reply


def main():
    scenario = sys.argv[1]
    if scenario in ("ignore-term", "leave-child", "silent-with-child"):
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
    if scenario in ("leave-child", "silent-with-child"):
        # Inherits the ignored SIGTERM; only SIGKILL ends it.
        subprocess.Popen(
            [sys.executable, "-c", "import time\nwhile True: time.sleep(60)"],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
        )
        signal.signal(signal.SIGTERM, signal.SIG_DFL)
    if scenario == "startup-error":
        write(line({"type": "startup_error", "error": "No model here."}))
        sys.exit(1)
    if scenario == "startup-error-bare":
        write(line({"type": "startup_error"}))
        sys.exit(1)
    if scenario in ("silent", "silent-with-child"):
        signal.pause()
    write(line({"type": "ready"}))
    for request_line in sys.stdin:
        answer(request_line)
    if scenario == "ignore-term":
        while True:  # only SIGKILL ends it
            signal.pause()


if __name__ == "__main__":
    main()
