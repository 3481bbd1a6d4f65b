"""The build's layer check, run on small source trees of its own."""

import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

CHECKER = pathlib.Path(__file__).resolve().parents[2] / "cmake" / "check_layers.py"
ROOMS = ["foundation=models,foundation:", "platform=platform:foundation:xcb/,canberra.h",
         "ui=support/design,views:foundation", "app=app:ui,platform,foundation"]


class LayerCheckTest(unittest.TestCase):
    def check(self, files):
        """Runs the checker over a tree holding `files` (path: text); its exit
        code, its complaints, and whether it wrote its stamp."""
        with tempfile.TemporaryDirectory() as folder:
            root = pathlib.Path(folder, "src")
            for path, text in {"models/Model.h": "", "support/design/Token.h": "", "views/View.h": "",
                               "app/App.h": "", **files}.items():
                (root / path).parent.mkdir(parents=True, exist_ok=True)
                (root / path).write_text(text, encoding="utf-8")
            stamp = pathlib.Path(folder, "layers.stamp")
            run = subprocess.run([sys.executable, str(CHECKER), str(root), str(stamp), *ROOMS],
                                 capture_output=True, text=True, check=False)
            return run.returncode, run.stderr, stamp.exists()

    def test_an_include_the_wrong_way_fails_in_either_form(self):
        cases = [
            ('#include "views/View.h"\n', "models/Model.cpp", "views/View.h (ui)"),
            ("#include <views/View.h>\n", "models/Model.cpp", "views/View.h (ui)"),
            ("#  include<app/App.h>\n", "views/View.cpp", "app/App.h (app)"),
            ("#include <support/design/Token.h>\n", "foundation/Helper.cpp", "support/design/Token.h (ui)"),
            # A library the platform room keeps to itself, though its headers are on every include path.
            ("#include <xcb/xcb.h>\n", "app/Tray.cpp", "xcb/xcb.h (kept by platform)"),
            ("#include <canberra.h>\n", "views/View.cpp", "canberra.h (kept by platform)"),
        ]
        for line, path, complaint in cases:
            with self.subTest(line=line, path=path):
                code, said, stamped = self.check({path: "#pragma once\n" + line})
                self.assertEqual(code, 1)
                self.assertIn(f"{path}: the ", said)
                self.assertIn(complaint, said)
                self.assertFalse(stamped)

    def test_allowed_own_room_and_system_includes_pass(self):
        code, said, stamped = self.check({
            "app/Main.cpp": '#include "views/View.h"\n#include <models/Model.h>\n#include <QString>\n',
            "views/Other.cpp": "#include <views/View.h>\n#include <support/design/Token.h>\n#include <vector>\n",
            # A system header that happens to share a room's folder name is not ours.
            "models/Uses.cpp": "#include <app/not_a_project_header.h>\n",
            "platform/X11.cpp": "#include <xcb/xcb.h>\n#include <models/Model.h>\n",
        })
        self.assertEqual((code, said), (0, ""))
        self.assertTrue(stamped)


if __name__ == "__main__":
    unittest.main()
