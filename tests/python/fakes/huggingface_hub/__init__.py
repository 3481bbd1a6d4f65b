"""Test stand-in for huggingface_hub (see ../README.md)."""

import os
import shutil

CHUNK = 64 * 1024


def _log(line):
    log = os.environ.get("FAKE_HUB_LOG")
    if log:
        with open(log, "a", encoding="utf-8") as stream:
            stream.write(line + "\n")


def _copy_resuming(source, target, local_dir, cache):
    incomplete = os.path.join(cache, os.path.relpath(target, local_dir) + ".incomplete")
    os.makedirs(os.path.dirname(incomplete), exist_ok=True)
    offset = os.path.getsize(incomplete) if os.path.exists(incomplete) else 0
    with open(source, "rb") as reader, open(incomplete, "ab") as writer:
        reader.seek(offset)
        shutil.copyfileobj(reader, writer, CHUNK)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    os.replace(incomplete, target)
    _log("%s from %d" % (os.path.relpath(source, os.path.dirname(source)), offset))


def snapshot_download(repo_id, revision=None, local_dir=None, **kwargs):
    if os.environ.get("HF_HUB_OFFLINE") == "1":
        raise OSError("offline mode is enabled")
    endpoint = os.environ.get("HF_ENDPOINT", "https://huggingface.co")
    if not endpoint.startswith("file://"):
        raise OSError("network is unreachable: %s" % endpoint)
    source = os.path.join(endpoint[len("file://"):], repo_id, revision or "main")
    if not os.path.isdir(source):
        raise OSError("revision not found: %s@%s" % (repo_id, revision))
    cache = os.path.join(local_dir, ".cache", "huggingface", "download")
    for folder, _, files in os.walk(source):
        for name in sorted(files):
            path = os.path.join(folder, name)
            target = os.path.join(local_dir, os.path.relpath(path, source))
            if os.path.exists(target) and os.path.getsize(target) == os.path.getsize(path):
                continue
            _copy_resuming(path, target, local_dir, cache)
    return local_dir
