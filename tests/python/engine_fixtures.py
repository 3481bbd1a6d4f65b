"""Builds what the engine tests install and run instead of the real thing:
wheels of the fake packages (named and versioned like the set-up script's
pins), a model mirror for the fake hub client, and a ready model folder.

As a program: `python3 engine_fixtures.py SETUP_SCRIPT WHEEL_DIR MIRROR_DIR`
builds the wheels and the mirror (the C++ end-to-end test uses it).
"""

import base64
import hashlib
import importlib.util
import json
import os
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
FAKES = os.path.join(HERE, "fakes")
RESOURCES = os.environ.get("RAVELOND_MLX_RESOURCES", os.path.join(HERE, "..", "..", "resources", "MLX"))

MODEL_CONFIG = {"model_type": "glm_ocr", "quantization": {"bits": 4, "group_size": 64}}


def load_script(name, path=None):
    """Imports an engine script as a module (both guard their main)."""
    path = path or os.path.join(RESOURCES, name + ".py")
    spec = importlib.util.spec_from_file_location(name, path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def _record_hash(data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return "sha256=" + digest


def build_wheel(folder, name, version, packages=(), requires=(), extras=()):
    """Writes a pure-Python wheel of the fake `packages` and returns its path."""
    distribution = name.replace("-", "_")
    info = "%s-%s.dist-info" % (distribution, version)
    files = {}
    for package in packages:
        root = os.path.join(FAKES, package)
        for directory, _, names in os.walk(root):
            for file_name in sorted(names):
                if file_name.endswith(".py"):
                    path = os.path.join(directory, file_name)
                    with open(path, "rb") as stream:
                        files[os.path.relpath(path, FAKES)] = stream.read()
    metadata = ["Metadata-Version: 2.1", "Name: %s" % name, "Version: %s" % version]
    metadata += ["Provides-Extra: %s" % extra for extra in extras]
    metadata += ["Requires-Dist: %s" % requirement for requirement in requires]
    files[info + "/METADATA"] = ("\n".join(metadata) + "\n").encode()
    files[info + "/WHEEL"] = b"Wheel-Version: 1.0\nGenerator: engine_fixtures\nRoot-Is-Purelib: true\nTag: py3-none-any\n"
    record = ["%s,%s,%d" % (path, _record_hash(data), len(data)) for path, data in files.items()]
    record.append(info + "/RECORD,,")
    files[info + "/RECORD"] = ("\n".join(record) + "\n").encode()
    path = os.path.join(folder, "%s-%s-py3-none-any.whl" % (distribution, version))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as wheel:
        for name_in_wheel, data in files.items():
            wheel.writestr(name_in_wheel, data)
    return path


def build_wheels(folder, setup):
    """The four wheels that the pins of `setup` (the imported set-up script) ask for."""
    os.makedirs(folder, exist_ok=True)
    mlx = setup.MLX_VERSION
    return [
        build_wheel(folder, "mlx", mlx, ["mlx"], ['mlx-cpu==%s; extra == "cpu"' % mlx], extras=["cpu"]),
        build_wheel(folder, "mlx-cpu", mlx),
        build_wheel(folder, "mlx-vlm", setup.MLX_VLM_VERSION, ["mlx_vlm"], ["mlx>=%s" % mlx]),
        build_wheel(folder, "huggingface_hub", setup.HUGGINGFACE_HUB_VERSION, ["huggingface_hub"]),
    ]


def write_model(folder, weights_size=256 * 1024):
    """A model folder the fake mlx_vlm loads."""
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "config.json"), "w", encoding="utf-8") as stream:
        json.dump(MODEL_CONFIG, stream)
    with open(os.path.join(folder, "tokenizer.json"), "w", encoding="utf-8") as stream:
        json.dump({"version": "1.0"}, stream)
    with open(os.path.join(folder, "model.safetensors"), "wb") as stream:
        stream.write(bytes(range(256)) * (weights_size // 256))


def build_model_mirror(mirror, setup):
    """The pinned model revision inside a mirror for the fake hub client."""
    write_model(os.path.join(mirror, setup.MODEL_REPOSITORY, setup.MODEL_REVISION))
    return "file://" + os.path.abspath(mirror)


def main(argv):
    setup_script, wheel_folder, mirror = argv[1:4]
    setup = load_script("setup_mlx", setup_script)
    build_wheels(wheel_folder, setup)
    print(build_model_mirror(mirror, setup))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
