"""Installs Ravelond's local OCR engine.

Run by the user's own Python 3.10+ as `python3 -u setup_mlx.py --root ROOT`.
Standard library only. Creates a private virtual environment in ROOT/runtime,
installs pinned versions of MLX, mlx-vlm and the Hugging Face hub client into
it, downloads the 4-bit MLX conversion of GLM-OCR at a pinned revision into
ROOT/model, and writes ROOT/ready.json last. Each step is reported on standard
output as one JSON line {"stage": "..."}; the exit status is 0 on success only.

Downloads come from the usual places and honour the usual settings: pip reads
its own environment (PIP_INDEX_URL, PIP_FIND_LINKS, PIP_NO_INDEX, proxies), the
hub client reads HF_ENDPOINT and HF_TOKEN. So an organisation's package mirror
or a local folder of wheels, and a model mirror, work without changes here.
A cancelled or failed run leaves what it downloaded in place; the next run
resumes from there.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys

MINIMUM_PYTHON = (3, 10)

MLX_VERSION = "0.32.4"
MLX_VLM_VERSION = "0.7.10"
HUGGINGFACE_HUB_VERSION = "2.4.0"

MODEL_REPOSITORY = "mlx-community/GLM-OCR-4bit"
# The model's revision on the hub; a commit hash pins the exact files.
MODEL_REVISION = "main"

# The runtime (~0.5 GB) and the model (~0.9 GB) with room for pip's unpacking.
REQUIRED_FREE_BYTES = 2 * 1024 ** 3

# Runs in the private runtime: the hub client resumes partial files it finds
# in the local folder's download cache.
DOWNLOAD_PROGRAM = """
import sys
from huggingface_hub import snapshot_download
snapshot_download(repo_id=sys.argv[1], revision=sys.argv[2], local_dir=sys.argv[3])
"""

VERIFY_PROGRAM = """
import mlx.core, mlx_vlm, huggingface_hub
"""


class SetupFailure(Exception):
    """A failure whose message is the last stage the user sees."""


def report(stage):
    sys.stdout.write(json.dumps({"stage": stage}) + "\n")
    sys.stdout.flush()


def runtime_requirements(platform=sys.platform):
    # On Linux MLX runs on the CPU backend, which its "cpu" extra brings in.
    mlx = "mlx==%s" % MLX_VERSION if platform == "darwin" else "mlx[cpu]==%s" % MLX_VERSION
    return [mlx, "mlx-vlm==%s" % MLX_VLM_VERSION, "huggingface_hub==%s" % HUGGINGFACE_HUB_VERSION]


def python_problem(version_info=sys.version_info):
    if tuple(version_info[:2]) >= MINIMUM_PYTHON:
        return None
    return "Python %d.%d is too old: choose Python 3.10 or later." % (version_info[0], version_info[1])


def bytes_present(folder):
    total = 0
    for directory, _, names in os.walk(folder):
        for name in names:
            try:
                total += os.lstat(os.path.join(directory, name)).st_size
            except OSError:
                pass
    return total


def disk_space_problem(root, required=REQUIRED_FREE_BYTES):
    # What an earlier or cancelled run left in the root (the runtime, a whole
    # or partial model) is not fetched again: a repair or a resumed download
    # needs only the rest.
    missing = required - bytes_present(root)
    free = shutil.disk_usage(root).free
    if free >= missing:
        return None
    return "Not enough free disk space: the local engine needs about %.1f GB more, %.1f GB are free." % (
        missing / 1e9,
        free / 1e9,
    )


def venv_problem():
    try:
        import ensurepip  # noqa: F401  (Debian ships it in python3-venv)
        import venv  # noqa: F401
    except ImportError:
        return "This Python has no venv module with pip (on Debian: install python3-venv)."
    return None


def run_quietly(command):
    """Runs a helper with its output on our standard error: our standard
    output is the progress protocol."""
    return subprocess.call(command, stdin=subprocess.DEVNULL, stdout=sys.stderr.fileno(), stderr=sys.stderr.fileno())


def runtime_python(root):
    return os.path.join(root, "runtime", "bin", "python3")


def runtime_is_healthy(root):
    python = runtime_python(root)
    if not os.access(python, os.X_OK):
        return False
    try:
        return run_quietly([python, "-c", "import pip"]) == 0
    except OSError:
        return False


def create_runtime(root):
    folder = os.path.join(root, "runtime")
    if runtime_is_healthy(root):
        return
    problem = venv_problem()
    if problem:
        raise SetupFailure(problem)
    # A broken runtime (half-created, or its Python removed) is rebuilt from scratch.
    shutil.rmtree(folder, ignore_errors=True)
    if run_quietly([sys.executable, "-m", "venv", folder]) != 0 or not runtime_is_healthy(root):
        raise SetupFailure("Could not create the private Python runtime (on Debian: install python3-venv).")


def install_packages(root):
    command = [runtime_python(root), "-m", "pip", "install", "--disable-pip-version-check", "--no-input"]
    if run_quietly(command + runtime_requirements()) != 0:
        raise SetupFailure("Could not install the MLX packages. Check your connection and free disk space.")


def download_model(root):
    model = os.path.join(root, "model")
    os.makedirs(model, exist_ok=True)
    if run_quietly([runtime_python(root), "-c", DOWNLOAD_PROGRAM, MODEL_REPOSITORY, MODEL_REVISION, model]) != 0:
        raise SetupFailure("Could not download the model. Check your connection and free disk space.")


def verify(root):
    model_config = os.path.join(root, "model", "config.json")
    if run_quietly([runtime_python(root), "-c", VERIFY_PROGRAM]) != 0 or not os.path.isfile(model_config):
        raise SetupFailure("The local engine could not be verified. Run setup again.")


def write_ready_marker(root):
    marker = os.path.join(root, "ready.json")
    temporary = marker + ".partial"
    content = {
        "model": MODEL_REPOSITORY,
        "revision": MODEL_REVISION,
        "packages": runtime_requirements(),
        "python": "%d.%d.%d" % tuple(sys.version_info[:3]),
    }
    with open(temporary, "w", encoding="utf-8") as stream:
        json.dump(content, stream, indent=2)
        stream.flush()
        os.fsync(stream.fileno())
    os.replace(temporary, marker)


def remove_ready_marker(root):
    try:
        os.remove(os.path.join(root, "ready.json"))
    except FileNotFoundError:
        pass


def install(root):
    report("Checking Python\u2026")
    problem = python_problem()
    if problem:
        raise SetupFailure(problem)
    os.makedirs(root, exist_ok=True)
    problem = disk_space_problem(root)
    if problem:
        # Nothing has been touched yet: a working installation stays ready.
        raise SetupFailure(problem)
    # Before the first change, so that a repair that stops half-way never
    # counts as installed.
    remove_ready_marker(root)

    report("Creating the private Python runtime\u2026")
    create_runtime(root)
    report("Installing MLX and mlx-vlm\u2026")
    install_packages(root)
    report("Downloading the GLM-OCR model (about 1 GB)\u2026")
    download_model(root)
    report("Checking the local engine\u2026")
    verify(root)
    write_ready_marker(root)
    report("Local engine installed.")


def main(argv=None):
    # Lead a process group of our own, so that cancelling the set-up also
    # stops pip and the download we start.
    try:
        os.setpgid(0, 0)
    except OSError:
        pass
    parser = argparse.ArgumentParser(description="Install Ravelond's local OCR engine.")
    parser.add_argument("--root", required=True)
    arguments = parser.parse_args(argv)
    try:
        install(os.path.abspath(arguments.root))
    except SetupFailure as failure:
        report(str(failure))
        return 1
    except OSError as error:
        report("Setup failed: %s" % (error.strerror or error))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
