"""A well-behaved worker that answers every request with a fixed reply.

Usage: reply_worker.py SCENARIO [anything the client passes]
SCENARIO is the reply text; a leading "truncated:" marks the answer truncated,
a leading "together:" holds the "ready" line back until the first request and
then writes it with the reply in one write (so the client reads both at once).
Each request's image path is appended to $FAKE_WORKER_IMAGES (when set), so a
test can check what it was given and that it is gone afterwards. An image that
is not a PNG file gets an error reply.
"""

import json
import os
import sys

scenario = sys.argv[1]
together = scenario.startswith("together:")
scenario = scenario[len("together:"):] if together else scenario
truncated = scenario.startswith("truncated:")
text = scenario[len("truncated:"):] if truncated else scenario

held = json.dumps({"type": "ready"}) + "\n"
if not together:
    sys.stdout.write(held)
    sys.stdout.flush()
    held = ""
for line in sys.stdin:
    request = json.loads(line)
    image = request["image"]
    log = os.environ.get("FAKE_WORKER_IMAGES")
    if log:
        with open(log, "a", encoding="utf-8") as stream:
            stream.write(image + "\n")
    with open(image, "rb") as stream:
        is_png = stream.read(8) == b"\x89PNG\r\n\x1a\n"
    if is_png:
        reply = {"type": "result", "id": request["id"], "text": text, "truncated": truncated}
    else:
        reply = {"type": "error", "id": request["id"], "error": "not a PNG"}
    sys.stdout.write(held + json.dumps(reply) + "\n")
    sys.stdout.flush()
    held = ""
