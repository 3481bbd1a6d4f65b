"""The worker script, run as its own process against the fake mlx_vlm."""

import json
import os
import signal
import subprocess
import sys
import tempfile
import unittest

import engine_fixtures

WORKER = os.path.join(engine_fixtures.RESOURCES, "worker.py")


class Worker:
    """worker.py in a child process, with the fakes on its path."""

    def __init__(self, model_dir, fakes=True, extra_environment=None):
        environment = dict(os.environ, HF_HUB_OFFLINE="1", TRANSFORMERS_OFFLINE="1")
        environment["PYTHONPATH"] = engine_fixtures.FAKES if fakes else ""
        environment.update(extra_environment or {})
        self.process = subprocess.Popen(
            [sys.executable, "-u", WORKER, "--model-dir", model_dir],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            env=environment,
        )

    def reply(self):
        line = self.process.stdout.readline()
        return json.loads(line) if line else None

    def send(self, raw):
        self.process.stdin.write(raw if isinstance(raw, bytes) else raw.encode())
        self.process.stdin.flush()

    def ask(self, **request):
        self.send(json.dumps(request) + "\n")
        return self.reply()

    def close(self):
        """Closes its input and returns its exit status."""
        if not self.process.stdin.closed:
            self.process.stdin.close()
        code = self.process.wait(timeout=30)
        self.process.stdout.close()
        return code

    def dispose(self):
        if self.process.poll() is None:
            self.process.kill()
        self.close()


class WorkerTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.model = os.path.join(self.folder.name, "model")
        engine_fixtures.write_model(self.model, weights_size=1024)
        self.log = os.path.join(self.folder.name, "generate.log")

    def tearDown(self):
        self.folder.cleanup()

    def image(self, transcript=None, name="crop.png"):
        path = os.path.join(self.folder.name, name)
        with open(path, "wb") as stream:
            stream.write(b"\x89PNG fake")
        if transcript is not None:
            with open(path + ".txt", "w", encoding="utf-8") as stream:
                stream.write(transcript)
        return path

    def start(self, **options):
        worker = Worker(self.model, extra_environment={"FAKE_MLX_VLM_LOG": self.log}, **options)
        self.addCleanup(worker.dispose)
        return worker

    def logged_calls(self):
        with open(self.log, encoding="utf-8") as stream:
            return [json.loads(line) for line in stream]

    def test_answers_each_request_with_its_id_and_only_json_on_stdout(self):
        worker = self.start()
        self.assertEqual(worker.reply(), {"type": "ready"})  # library chatter went to stderr
        image = self.image("E = mc^2")
        reply = worker.ask(id="A1", image=image, task="formula", max_tokens=2048)
        self.assertEqual(reply, {"type": "result", "id": "A1", "text": "E = mc^2", "truncated": False})
        self.assertEqual(worker.close(), 0)

    def test_the_task_word_becomes_the_models_prompt(self):
        worker = self.start()
        worker.reply()
        image = self.image("x")
        for task in ("text", "formula", "table"):
            worker.ask(id=task, image=image, task=task, max_tokens=16)
        prompts = [call["prompt"] for call in self.logged_calls()]
        self.assertIn("Text Recognition:", prompts[0])
        self.assertIn("Formula Recognition:", prompts[1])
        self.assertIn("Table Recognition:", prompts[2])
        self.assertEqual([call["max_tokens"] for call in self.logged_calls()], [16, 16, 16])
        self.assertEqual(self.logged_calls()[0]["image"], [image])

    def test_truncated_is_true_exactly_when_generation_hit_max_tokens(self):
        worker = self.start()
        worker.reply()
        image = self.image("one two three")
        self.assertIs(worker.ask(id="cut", image=image, task="text", max_tokens=2)["truncated"], True)
        self.assertIs(worker.ask(id="fits", image=image, task="text", max_tokens=4)["truncated"], False)
        self.assertEqual(worker.ask(id="cut", image=image, task="text", max_tokens=2)["text"], "one two")

    def test_bad_requests_get_an_error_reply_and_the_worker_lives_on(self):
        worker = self.start()
        worker.reply()
        self.assertEqual(worker.ask(id="B", image="/no/such.png", task="text")["id"], "B")
        self.assertEqual(worker.ask(id="C", image=self.image(), task="poem")["type"], "error")
        self.assertEqual(worker.ask(id="C2", image=self.image(), task=["text"])["type"], "error")
        self.assertEqual(worker.ask(id="C3", image=self.image(), task={"text": 1})["id"], "C3")
        self.assertEqual(worker.ask(id="D", image=self.image(), task="text", max_tokens=True)["type"], "error")
        worker.send(b"not json\n")
        self.assertEqual(worker.reply()["type"], "error")
        worker.send(b"[1, 2]\n")
        self.assertEqual(worker.reply()["id"], None)
        failing = self.image("!fail", name="bad.png")
        reply = worker.ask(id="E", image=failing, task="text")
        self.assertEqual((reply["type"], reply["id"]), ("error", "E"))
        self.assertIn("refused", reply["error"])
        self.assertEqual(worker.ask(id="F", image=self.image("ok"), task="text")["text"], "ok")

    def test_a_model_that_cannot_load_is_a_startup_error(self):
        os.remove(os.path.join(self.model, "config.json"))
        worker = self.start()
        reply = worker.reply()
        self.assertEqual(reply["type"], "startup_error")
        self.assertTrue(reply["error"].startswith("The local model could not be loaded"))
        self.assertEqual(worker.process.wait(timeout=30), 1)

    def test_a_runtime_without_mlx_vlm_is_a_startup_error(self):
        worker = self.start(fakes=False)
        self.assertEqual(worker.reply()["type"], "startup_error")

    def test_sigterm_ends_the_worker(self):
        worker = self.start()
        worker.reply()
        worker.process.send_signal(signal.SIGTERM)
        self.assertEqual(worker.close(), -signal.SIGTERM)


if __name__ == "__main__":
    unittest.main()
