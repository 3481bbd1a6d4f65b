"""Ravelond's local OCR worker.

Run by the engine's private Python as `python3 -u worker.py --model-dir DIR`.
Loads the GLM-OCR model once from DIR (offline), then answers JSON lines:

  request:  {"id": str, "image": path, "task": "text"|"formula"|"table", "max_tokens": int}
  replies:  {"type": "ready"} once the model is loaded, or
            {"type": "startup_error", "error": str} and exit;
            {"type": "result", "id": ..., "text": str, "truncated": bool} or
            {"type": "error", "id": ..., "error": str} per request (the worker lives on).

Standard output carries nothing but these lines. Ends at the end of its input
or on SIGTERM.
"""

import argparse
import json
import os
import signal
import sys

# GLM-OCR's own task prompts.
PROMPTS = {
    "text": "Text Recognition:",
    "formula": "Formula Recognition:",
    "table": "Table Recognition:",
}
DEFAULT_MAX_TOKENS = 2048


def protect_protocol_stream():
    """Keeps a private copy of standard output for the protocol and points
    file descriptor 1 (and sys.stdout) at standard error, so that whatever a
    library prints, from Python or from C, cannot corrupt a reply line."""
    protocol_fd = os.dup(1)
    os.dup2(2, 1)
    sys.stdout = sys.stderr
    return os.fdopen(protocol_fd, "w", encoding="utf-8", newline="\n")


class Model:
    """GLM-OCR through mlx-vlm."""

    def __init__(self, model_dir):
        from mlx_vlm import generate, load
        from mlx_vlm.prompt_utils import apply_chat_template
        from mlx_vlm.utils import load_config

        self._generate = generate
        self._apply_chat_template = apply_chat_template
        self._model, self._processor = load(model_dir)
        self._config = load_config(model_dir)

    def recognize(self, image, task, max_tokens):
        prompt = self._apply_chat_template(self._processor, self._config, PROMPTS[task], num_images=1)
        result = self._generate(
            self._model,
            self._processor,
            prompt,
            image=[image],
            max_tokens=max_tokens,
            temperature=0.0,
            verbose=False,
        )
        # Generation that ran until the token budget was spent was cut short.
        return result.text, result.generation_tokens >= max_tokens


def parse_request(line):
    """Returns (id, image, task, max_tokens) or raises ValueError with the
    message for the reply; the id is returned as soon as it is known."""
    try:
        request = json.loads(line)
    except ValueError:
        raise RequestError(None, "The request is not valid JSON.")
    if not isinstance(request, dict):
        raise RequestError(None, "The request is not a JSON object.")
    request_id = request.get("id")
    if not isinstance(request_id, str):
        request_id = None
    image = request.get("image")
    if not isinstance(image, str) or not os.path.isfile(image):
        raise RequestError(request_id, "The image file could not be read.")
    task = request.get("task")
    # A list or object is unhashable: test its type before looking it up.
    if not isinstance(task, str) or task not in PROMPTS:
        raise RequestError(request_id, "Unknown task: %r." % (task,))
    max_tokens = request.get("max_tokens", DEFAULT_MAX_TOKENS)
    if isinstance(max_tokens, bool) or not isinstance(max_tokens, int) or max_tokens < 1:
        raise RequestError(request_id, "max_tokens must be a positive whole number.")
    return request_id, image, task, max_tokens


class RequestError(Exception):
    def __init__(self, request_id, message):
        super().__init__(message)
        self.request_id = request_id
        self.message = message


def answer(model, line):
    try:
        request_id, image, task, max_tokens = parse_request(line)
    except RequestError as error:
        return {"type": "error", "id": error.request_id, "error": error.message}
    try:
        text, truncated = model.recognize(image, task, max_tokens)
    except Exception as error:  # the worker must outlive one bad image
        return {"type": "error", "id": request_id, "error": "Local recognition failed: %s" % error}
    return {"type": "result", "id": request_id, "text": text, "truncated": bool(truncated)}


def send(stream, reply):
    stream.write(json.dumps(reply) + "\n")
    stream.flush()


def main(argv=None):
    protocol = protect_protocol_stream()
    # Die at once on SIGTERM, even in the middle of a long generation.
    signal.signal(signal.SIGTERM, signal.SIG_DFL)
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--model-dir", required=True)
    arguments = parser.parse_args(argv)

    try:
        model = Model(arguments.model_dir)
    except Exception as error:
        send(protocol, {"type": "startup_error", "error": "The local model could not be loaded: %s" % error})
        return 1
    send(protocol, {"type": "ready"})

    for line in sys.stdin.buffer:
        if line.strip():
            send(protocol, answer(model, line))
    return 0


if __name__ == "__main__":
    sys.exit(main())
