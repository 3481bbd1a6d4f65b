"""The set-up script, run for real: a real virtual environment, pip installing
wheels of the fake packages offline, and the fake hub client downloading from
a local mirror."""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import types
import unittest
from unittest import mock

import engine_fixtures

SETUP = os.path.join(engine_fixtures.RESOURCES, "setup_mlx.py")
# Debian's own interpreter where there is one: the one a Debian user has.
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable

setup_mlx = engine_fixtures.load_script("setup_mlx", SETUP)


class SetupRun:
    def __init__(self, returncode, output):
        self.returncode = returncode
        self.lines = [json.loads(line) for line in output.splitlines()]

    @property
    def stages(self):
        return [line["stage"] for line in self.lines]


class SetupScriptTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.fixtures = tempfile.TemporaryDirectory()
        cls.wheels = os.path.join(cls.fixtures.name, "wheels")
        engine_fixtures.build_wheels(cls.wheels, setup_mlx)
        cls.endpoint = engine_fixtures.build_model_mirror(os.path.join(cls.fixtures.name, "mirror"), setup_mlx)

    @classmethod
    def tearDownClass(cls):
        cls.fixtures.cleanup()

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.root = os.path.join(self.folder.name, "MLX")
        self.hub_log = os.path.join(self.folder.name, "hub.log")
        self.environment = dict(
            os.environ,
            PIP_NO_INDEX="1",
            PIP_FIND_LINKS=self.wheels,
            PIP_DISABLE_PIP_VERSION_CHECK="1",
            HF_ENDPOINT=self.endpoint,
            FAKE_HUB_LOG=self.hub_log,
            PYTHONPATH="",
        )

    def tearDown(self):
        self.folder.cleanup()

    def run_setup(self, **environment):
        result = subprocess.run(
            [PYTHON, "-u", SETUP, "--root", self.root],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            env=dict(self.environment, **environment),
            timeout=240,
        )
        return SetupRun(result.returncode, result.stdout.decode())

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def installed_versions(self):
        program = "import importlib.metadata as m\nfor n in ('mlx', 'mlx-cpu', 'mlx-vlm', 'huggingface_hub'): print(m.version(n))"
        output = subprocess.run([self.path("runtime", "bin", "python3"), "-c", program], capture_output=True)
        return output.stdout.decode().split()

    def write(self, path, content):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as stream:
            stream.write(content)

    def test_installs_the_pinned_runtime_and_model_offline_and_writes_the_marker_last(self):
        run = self.run_setup()
        self.assertEqual(run.returncode, 0, run.stages)
        for line in run.lines:
            self.assertEqual(list(line), ["stage"])
            self.assertIsInstance(line["stage"], str)
        self.assertEqual(run.stages[-1], "Local engine installed.")
        self.assertTrue(os.access(self.path("runtime", "bin", "python3"), os.X_OK))
        pins = setup_mlx
        self.assertEqual(
            self.installed_versions(),
            [pins.MLX_VERSION, pins.MLX_VERSION, pins.MLX_VLM_VERSION, pins.HUGGINGFACE_HUB_VERSION],
        )
        self.assertTrue(os.path.isfile(self.path("model", "config.json")))
        with open(self.path("ready.json"), encoding="utf-8") as stream:
            marker = json.load(stream)
        self.assertEqual((marker["model"], marker["revision"]), (pins.MODEL_REPOSITORY, pins.MODEL_REVISION))

    def test_a_failed_repair_never_counts_as_installed_and_the_download_resumes_later(self):
        # A previous install whose runtime broke, and a model file half downloaded.
        self.write(self.path("ready.json"), b"{}")
        self.write(self.path("runtime", "bin", "python3"), b"#!/bin/false\n")
        os.chmod(self.path("runtime", "bin", "python3"), 0o755)
        weights = os.path.join(self.fixtures.name, "mirror", pins_revision_path(), "model.safetensors")
        with open(weights, "rb") as stream:
            half = stream.read(os.path.getsize(weights) // 2)
        self.write(self.path("model", ".cache", "huggingface", "download", "model.safetensors.incomplete"), half)

        offline = self.run_setup(HF_ENDPOINT="https://hub.invalid")
        self.assertNotEqual(offline.returncode, 0)
        self.assertEqual(offline.stages[-1], "Could not download the model. Check your connection and free disk space.")
        self.assertFalse(os.path.exists(self.path("ready.json")))
        self.assertEqual(len(self.installed_versions()), 4, "the broken runtime was rebuilt")

        run = self.run_setup()
        self.assertEqual(run.returncode, 0, run.stages)
        with open(self.hub_log, encoding="utf-8") as stream:
            self.assertIn("model.safetensors from %d" % len(half), stream.read())
        with open(weights, "rb") as original, open(self.path("model", "model.safetensors"), "rb") as copy:
            self.assertEqual(original.read(), copy.read())

    def test_packages_that_cannot_be_fetched_fail_with_a_clear_last_stage(self):
        empty = os.path.join(self.folder.name, "no-wheels")
        os.makedirs(empty)
        run = self.run_setup(PIP_FIND_LINKS=empty)
        self.assertNotEqual(run.returncode, 0)
        self.assertEqual(run.stages[-1], "Could not install the MLX packages. Check your connection and free disk space.")
        self.assertFalse(os.path.exists(self.path("ready.json")))

    def test_a_python_without_venv_and_pip_is_named_as_the_problem(self):
        shadow = os.path.join(self.folder.name, "shadow")
        self.write(os.path.join(shadow, "ensurepip", "__init__.py"), b"raise ImportError('not packaged')\n")
        run = self.run_setup(PYTHONPATH=shadow)
        self.assertNotEqual(run.returncode, 0)
        self.assertEqual(run.stages[-1], "This Python has no venv module with pip (on Debian: install python3-venv).")

    def test_leads_its_own_process_group_before_the_first_stage(self):
        process = subprocess.Popen(
            [PYTHON, "-u", SETUP, "--root", self.root],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            env=self.environment,
        )
        try:
            self.assertIn("stage", json.loads(process.stdout.readline()))
            self.assertEqual(os.getpgid(process.pid), process.pid)
        finally:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            process.stdout.close()


class SetupChecksTest(unittest.TestCase):
    def test_python_older_than_3_10_is_refused_with_its_version(self):
        self.assertEqual(setup_mlx.python_problem((3, 9, 18)), "Python 3.9 is too old: choose Python 3.10 or later.")
        self.assertIsNone(setup_mlx.python_problem((3, 10, 0)))

    def test_too_little_disk_space_is_refused(self):
        with tempfile.TemporaryDirectory() as root:
            self.assertIn("Not enough free disk space", setup_mlx.disk_space_problem(root, 2 ** 62))
            self.assertIsNone(setup_mlx.disk_space_problem(root, 1))

    def test_a_repair_refused_for_want_of_disk_space_leaves_the_installation_ready(self):
        with tempfile.TemporaryDirectory() as root:
            marker = os.path.join(root, "ready.json")
            open(marker, "w").close()
            full = types.SimpleNamespace(total=1, used=1, free=0)
            with mock.patch.object(setup_mlx.shutil, "disk_usage", return_value=full), \
                    mock.patch.object(setup_mlx, "report"):
                with self.assertRaisesRegex(setup_mlx.SetupFailure, "Not enough free disk space"):
                    setup_mlx.install(root)
            self.assertTrue(os.path.exists(marker))

    def test_what_a_cancelled_or_earlier_run_downloaded_counts_towards_the_space_needed(self):
        with tempfile.TemporaryDirectory() as root:
            free = shutil.disk_usage(root).free
            downloaded = 64 * 1024 ** 3
            # A sparse file: its size counts as downloaded, it takes no space here.
            partial = os.path.join(root, "model", ".cache", "huggingface", "download", "model.safetensors.incomplete")
            os.makedirs(os.path.dirname(partial))
            with open(partial, "wb") as stream:
                stream.truncate(downloaded)
            self.assertIsNone(setup_mlx.disk_space_problem(root, free + downloaded // 2))
            self.assertIn("Not enough free disk space", setup_mlx.disk_space_problem(root, free + 2 * downloaded))

    def test_mlx_takes_its_cpu_build_on_linux(self):
        linux = setup_mlx.runtime_requirements("linux")
        self.assertEqual(linux[0], "mlx[cpu]==%s" % setup_mlx.MLX_VERSION)
        self.assertEqual(setup_mlx.runtime_requirements("darwin")[0], "mlx==%s" % setup_mlx.MLX_VERSION)
        self.assertEqual(linux[1:], ["mlx-vlm==%s" % setup_mlx.MLX_VLM_VERSION,
                                     "huggingface_hub==%s" % setup_mlx.HUGGINGFACE_HUB_VERSION])


def pins_revision_path():
    return os.path.join(setup_mlx.MODEL_REPOSITORY, setup_mlx.MODEL_REVISION)


if __name__ == "__main__":
    unittest.main()
