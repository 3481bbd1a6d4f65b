"""Test stand-in for mlx_vlm.utils."""

import json
import os


def load_config(model_path, **kwargs):
    with open(os.path.join(model_path, "config.json"), encoding="utf-8") as stream:
        return json.load(stream)
