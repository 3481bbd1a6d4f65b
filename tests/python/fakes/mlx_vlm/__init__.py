"""Test stand-in for mlx_vlm (see ../README.md)."""

import json
import os
import sys
from dataclasses import dataclass

import mlx.core  # noqa: F401  (the real package needs it too)


@dataclass
class GenerationResult:
    text: str = ""
    generation_tokens: int = 0


class FakeModel:
    def __init__(self, config):
        self.config = config


class FakeProcessor:
    pass


def load(path_or_hf_repo, **kwargs):
    config_path = os.path.join(path_or_hf_repo, "config.json")
    with open(config_path, encoding="utf-8") as stream:
        config = json.load(stream)
    # Libraries chatter on standard output; the worker must keep it off its protocol.
    print("Fetching model files: 100%")
    os.write(1, b"loading weights from C code\n")
    return FakeModel(config), FakeProcessor()


def _transcript(image):
    try:
        with open(image + ".txt", encoding="utf-8") as stream:
            return stream.read()
    except FileNotFoundError:
        return "fake transcript"


def generate(model, processor, prompt, image=None, max_tokens=256, verbose=False, **kwargs):
    images = image if isinstance(image, list) else [image]
    log = os.environ.get("FAKE_MLX_VLM_LOG")
    if log:
        with open(log, "a", encoding="utf-8") as stream:
            stream.write(json.dumps({"prompt": prompt, "image": images, "max_tokens": max_tokens}) + "\n")
    print("generating", file=sys.stdout)
    transcript = _transcript(images[0])
    if transcript == "!fail":
        raise RuntimeError("the fake model refused this image")
    words = transcript.split(" ")
    kept = words[:max_tokens]
    return GenerationResult(text=" ".join(kept), generation_tokens=len(kept))
