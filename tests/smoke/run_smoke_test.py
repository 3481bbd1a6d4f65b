"""Runs `ravelond --smoke-test` as a user would and checks what it leaves.

Usage: run_smoke_test.py RAVELOND [--with-mlx] [--check-clipboard]

The program runs with a private home, so the user's real settings are never at
risk; inside that home a settings file and, with --check-clipboard, the X11
clipboard content are set up beforehand and must be byte-for-byte the same
afterwards. With --with-mlx the real set-up script first installs the fake
engine packages (built by the engine tests' fixtures) offline into a private
runtime, and the smoke test's local recognition runs through it.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "python"))

BUNDLE_ID = "app.ravelond.Ravelond"
USER_SETTINGS = b"[General]\nengine=mlx\nlanguage=deu\n"
CLIPBOARD_TEXT = "the user's own clipboard"


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def private_environment(home):
    environment = dict(os.environ)
    for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
        environment.pop(name, None)
    environment["HOME"] = home
    environment["TMPDIR"] = os.path.join(home, "tmp")
    os.makedirs(environment["TMPDIR"])
    environment.pop("RAVELOND_MLX_ROOT", None)
    return environment


def install_fake_engine(root, work, environment):
    import engine_fixtures

    bundle = os.path.join(os.path.dirname(PROGRAM), "Ravelond_Ravelond.bundle", "MLX")
    setup_script = os.path.join(bundle, "setup_mlx.py")
    setup = engine_fixtures.load_script("setup_mlx", setup_script)
    wheels = os.path.join(work, "wheels")
    engine_fixtures.build_wheels(wheels, setup)
    mirror = engine_fixtures.build_model_mirror(os.path.join(work, "mirror"), setup)
    setup_environment = dict(environment, PIP_NO_INDEX="1", PIP_FIND_LINKS=wheels, HF_ENDPOINT=mirror)
    python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
    completed = subprocess.run([python, "-u", setup_script, "--root", root], env=setup_environment,
                               stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=600)
    if completed.returncode != 0:
        fail("the set-up script failed:\n" + completed.stdout + completed.stderr)


# How long a step may take before it counts as hung: only a real hang reaches
# it, however busy the machine.
UNTIL_HUNG = 60


def read_clipboard():
    completed = subprocess.run(["xclip", "-selection", "clipboard", "-o"], capture_output=True, text=True,
                               timeout=UNTIL_HUNG)
    return completed.stdout


def own_clipboard():
    """Starts xclip serving the user's clipboard text; returns the process."""
    process = subprocess.Popen(["xclip", "-selection", "clipboard", "-i", "-quiet"], stdin=subprocess.PIPE,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    process.stdin.write(CLIPBOARD_TEXT.encode())
    process.stdin.close()
    deadline = time.monotonic() + UNTIL_HUNG
    while read_clipboard() != CLIPBOARD_TEXT:
        if time.monotonic() > deadline:
            fail("xclip never served the clipboard")
        time.sleep(0.05)
    return process


def main(arguments):
    global PROGRAM
    PROGRAM = os.path.abspath(arguments[0])
    with_mlx = "--with-mlx" in arguments
    check_clipboard = "--check-clipboard" in arguments
    work = tempfile.mkdtemp(prefix="ravelond-smoke-")
    clipboard_owner = None
    try:
        home = os.path.join(work, "home")
        environment = private_environment(home)
        config = os.path.join(home, ".config")
        os.makedirs(config)
        settings_path = os.path.join(config, BUNDLE_ID + ".conf")
        with open(settings_path, "wb") as stream:
            stream.write(USER_SETTINGS)

        report_folder = os.path.join(work, "reports", "not", "yet", "there")
        report_path = os.path.join(report_folder, "report.json")
        command = [PROGRAM, "--smoke-test", report_path]
        if with_mlx:
            root = os.path.join(work, "engine")
            install_fake_engine(root, work, environment)
            environment["RAVELOND_MLX_ROOT"] = root
            # The fake model reads the transcript of an image from a file beside it.
            os.makedirs(report_folder)
            with open(os.path.join(report_folder, "ocr-fixture.png.txt"), "w", encoding="utf-8") as stream:
                stream.write("Invoice total: 1234.50")
            command.append("--with-mlx")
        if check_clipboard:
            clipboard_owner = own_clipboard()

        started = time.monotonic()
        completed = subprocess.run(command, env=environment, stdin=subprocess.DEVNULL, capture_output=True,
                                   text=True, timeout=120)
        elapsed = time.monotonic() - started
        if completed.returncode != 0:
            fail("ravelond exited with %d:\n%s" % (completed.returncode, completed.stderr))
        with open(report_path, encoding="utf-8") as stream:
            report = json.load(stream)
        print(json.dumps(report, indent=2, sort_keys=True))
        print("smoke test took %.2f s" % elapsed)

        if report.get("passed") is not True:
            fail("the report does not say passed")
        if not os.path.exists(os.path.join(report_folder, "ocr-fixture.png")):
            fail("ocr-fixture.png is not beside the report")
        if with_mlx and (report.get("mlx_pass") is not True or report.get("mlx_installed") is not True):
            fail("the local engine did not pass")
        if not with_mlx and ("mlx_pass" in report or "mlx_text" in report):
            fail("the local engine ran without --with-mlx")
        with open(settings_path, "rb") as stream:
            if stream.read() != USER_SETTINGS:
                fail("the user's settings file changed")
        left = sorted(name for name in os.listdir(config) if name != BUNDLE_ID + ".conf")
        if left:
            fail("settings files left behind: %s" % left)
        if check_clipboard and read_clipboard() != CLIPBOARD_TEXT:
            fail("the user's clipboard changed")
        print("1 passed, 0 failed")
        return 0
    finally:
        if clipboard_owner:
            clipboard_owner.kill()
            clipboard_owner.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
