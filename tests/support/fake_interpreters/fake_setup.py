"""A set-up script stand-in that misbehaves on purpose.

Usage: fake_setup.py SCENARIO [anything the client passes: -u, script, --root, ROOT]

  stages        writes the lines of the stage-parsing cases, then exits 0
  unterminated  writes a last stage without a line feed, then exits 0
  fail          writes a stage, then exits 2
  exit-3        writes a stage, then exits 3
  env           writes OMP_THREAD_LIMIT's value (or "unset") as its stage, then exits 0
  install       creates ROOT/runtime/bin/python3 and ROOT/ready.json, exits 0
  wait          writes a stage and waits for its input-less end (SIGTERM ends it)
  group-ignore-term  leads its process group, starts a child in it, both ignore SIGTERM
  group-child-ignores-term  leads its group; its child ignores SIGTERM, it does not
  no-group-ignore-term  stays in the parent's group and ignores SIGTERM
"""

import json
import os
import signal
import subprocess
import sys


def stage(text, end="\n"):
    sys.stdout.write(json.dumps({"stage": text}) + end)
    sys.stdout.flush()


def start_child(ignore_term):
    code = "import signal, time\n"
    if ignore_term:
        code += "signal.signal(signal.SIGTERM, signal.SIG_IGN)\n"
    code += "print(flush=True)\nwhile True: time.sleep(60)\n"
    child = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
    child.stdout.readline()  # its signal disposition is in place
    return child


def wait_forever(announce):
    stage(announce)
    while True:
        signal.pause()


def main():
    scenario = sys.argv[1]
    root = sys.argv[sys.argv.index("--root") + 1] if "--root" in sys.argv else None
    if scenario == "stages":
        stage("First")
        sys.stdout.write('{"stage": "Counted", "step": 3}\n')
        sys.stdout.write("not json\n\n[1, 2]\n")
        sys.stdout.write('{"note": "no stage"}\n')
        stage("Second \u00b7 with \u2026")
    elif scenario == "unterminated":
        stage("Visible")
        stage("Never shown", end="")
    elif scenario == "env":
        stage(os.environ.get("OMP_THREAD_LIMIT", "unset"))
    elif scenario == "fail":
        stage("Trying")
        sys.exit(2)
    elif scenario == "exit-3":
        stage("Trying")
        sys.exit(3)
    elif scenario == "install":
        os.makedirs(os.path.join(root, "runtime", "bin"), exist_ok=True)
        python = os.path.join(root, "runtime", "bin", "python3")
        with open(python, "w") as stream:
            stream.write("#!/bin/sh\n")
        os.chmod(python, 0o755)
        open(os.path.join(root, "ready.json"), "w").close()
    elif scenario == "wait":
        wait_forever("Waiting")
    elif scenario == "group-ignore-term":
        os.setpgid(0, 0)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        child = start_child(ignore_term=True)
        wait_forever("child %d" % child.pid)
    elif scenario == "group-child-ignores-term":
        os.setpgid(0, 0)
        child = start_child(ignore_term=True)
        wait_forever("child %d" % child.pid)
    elif scenario == "no-group-ignore-term":
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        wait_forever("Waiting")
    sys.exit(0)


if __name__ == "__main__":
    main()
