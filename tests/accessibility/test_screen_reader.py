"""Ravelond as a screen reader meets it: the real program on an AT-SPI bus,
read through pyatspi as Orca reads it.

Usage: test_screen_reader.py RAVELOND   (inside a session bus and an X session
with a tray, as the accessibility CTest label runs it)
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

import screen_reader as reader

PROGRAM = None

COPIED = "Text copied to clipboard. Press Command V to paste."
CANCELLED = "Capture cancelled. Your clipboard is unchanged."
NO_TEXT = "No text found. Try a tighter selection or a sharper image. Your clipboard is unchanged."
TOO_SMALL = "Selection too small. Drag a larger area or use the arrow keys."
POLITE = 1

WELCOME = [
    ("label", "Ravelond"),
    ("label", "If you can see it,\nyou can copy it."),
    ("label", "Turn any little corner of your screen into text you can use."),
    ("label", "1"), ("label", "Select"), ("label", "Drag around the text."),
    ("label", "2"), ("label", "Copy"), ("label", "We'll read it and copy it."),
    ("label", "3"), ("label", "Paste"), ("label", "Press ⌘V wherever you need it."),
    ("push button", "Take your first trov"), ("push button", "Try a practice trov"),
    ("push button", "Open image…"),
    ("label", "On your Mac. Out of the cloud."),
    ("label", "FROM PIXELS TO POSSIBILITIES"),
    ("image", "Illustration: a screenshot becomes editable text."),
    ("label", "Always a shortcut away."),
    ("label", "⌃ ⌥ C"),
]

PANEL = [
    ("filler", "Ravelond"),
    ("label", "Ravelond"), ("label", "Ready when you are."), ("push button", "Settings"),
    ("push button", "Capture text"),
    ("radio button", "Use Apple Vision"), ("radio button", "Use Local MLX"),
    ("label", "See it. Trov it. Paste it."), ("label", "Drag an image here, or select anything on screen."),
    ("push button", "Open image…"), ("check box", "Keep line breaks"),
    ("push button", "Try a practice trov"), ("label", "Private by design"),
    ("label", "On your Mac. Out of the cloud."),
    ("push button", "Welcome and help"), ("push button", "Quit Ravelond"),
]


# A row's line of words and age ("1 word · 5 seconds ago") as its time allows.
META = re.compile(r"\d+ words? · .+")


def history(*sections):
    """What the history window reads: its header, the search, each section's
    header and rows (newest first), its footer."""
    read = [("label", "Clipboard history"), ("label", "%d items on this Mac" % sum(len(rows) for _, rows in sections)),
            ("push button", "Clear all"), ("text", "Search saved text")]
    for header, rows in sections:
        read.append(("label", header))
        for text, pinned in rows:
            read += [("push button", "Copy again"), ("label", text), ("label", "META"),
                     ("push button", "Unpin item" if pinned else "Pin item"), ("push button", "Delete item")]
    return read + [("label", "On this Mac only"), ("label", "Password-manager clips are never saved")]


def blank_png(path, width=240, height=120):
    """A white picture without a word on it."""
    rows = b"".join(b"\x00" + b"\xff" * (3 * width) for _ in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
                   + chunk(b"IEND", b""))


def private_environment(home):
    environment = dict(os.environ, HOME=home, TMPDIR=os.path.join(home, "tmp"))
    os.makedirs(environment["TMPDIR"], exist_ok=True)
    for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
        environment.pop(name, None)
    return environment


def xdotool(*arguments):
    return subprocess.run(["xdotool", *arguments], check=True, capture_output=True, text=True).stdout


class ScreenReaderTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="ravelond-a11y-")
        cls.bus = reader.start_accessibility_bus()
        import pyatspi

        cls.pyatspi = pyatspi
        cls.announcements = []
        cls.shown = []
        cls.notification_labels = []
        cls.children_changed = []
        cls.clipboard = []
        pyatspi.Registry.registerEventListener(cls.on_announcement, "object:announcement")
        pyatspi.Registry.registerEventListener(cls.on_showing, "object:state-changed:showing")
        pyatspi.Registry.registerEventListener(cls.on_children_changed, "object:children-changed")

        # A picture with words on it: the one the program's own smoke test reads.
        fixture_home = os.path.join(cls.work, "fixture-home")
        os.makedirs(fixture_home)
        report = os.path.join(cls.work, "fixture", "report.json")
        os.makedirs(os.path.dirname(report))
        subprocess.run([PROGRAM, "--smoke-test", report], env=private_environment(fixture_home), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
        cls.words = os.path.join(os.path.dirname(report), "ocr-fixture.png")
        cls.blank = os.path.join(cls.work, "blank.png")
        blank_png(cls.blank)

        cls.home = os.path.join(cls.work, "home")
        os.makedirs(cls.home)
        cls.environment = private_environment(cls.home)
        cls.environment["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        cls.environment["QT_QPA_PLATFORM"] = "xcb"
        cls.program = subprocess.Popen([PROGRAM], env=cls.environment, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        desktop = pyatspi.Registry.getDesktop(0)

        def ours():
            for application in reader.children(desktop):
                try:
                    if application.get_process_id() == cls.program.pid:
                        return application
                except Exception:  # an application that left meanwhile
                    pass
            return None

        cls.app = reader.iterate_until(ours, "the program on the accessibility bus")

    @classmethod
    def tearDownClass(cls):
        for offer in cls.clipboard:
            offer.kill()
            offer.wait()
        if cls.program.poll() is None:
            cls.program.terminate()
            cls.program.wait(timeout=60)
        cls.bus.terminate()
        cls.bus.wait()
        shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def on_announcement(cls, event):
        try:
            source = event.source.name
        except Exception:  # gone before we could read it
            source = None
        cls.announcements.append((event.any_data, event.detail1, source))

    @classmethod
    def on_showing(cls, event):
        try:
            cls.shown.append((event.source.getRoleName(), event.source.name, event.detail1))
            if event.source.getRoleName() == "notification":
                cls.notification_labels.append(
                    [(child.getRoleName(), child.name) for child in reader.children(event.source)])
        except Exception:  # gone before we could read it
            pass

    @classmethod
    def on_children_changed(cls, event):
        cls.children_changed.append(event.source)

    # Helpers

    def window(self, name, role=None):
        def named():
            for child in reader.children(self.app):
                if child.name == name and reader.is_showing(child) and (role is None or child.getRoleName() == role):
                    return child
            return None

        return reader.iterate_until(named, "the window " + name)

    def element(self, name):
        return reader.find(self.app, lambda each: each.name == name and reader.is_showing(each))

    def announced(self, text):
        """The politeness and the source's name of the announcement `text`."""
        reader.iterate_until(lambda: any(each == text for each, _, _ in self.announcements),
                             repr(text) + " on the bus")
        return next((level, source) for each, level, source in self.announcements if each == text)

    def press(self, element):
        """Gives `element` the keyboard focus and presses Return on it."""
        self.assertTrue(element.queryComponent().grabFocus())
        reader.iterate_until(lambda: element.getState().contains(self.pyatspi.STATE_FOCUSED),
                             "the focus on " + element.name)
        xdotool("key", "Return")

    def copy_elsewhere(self, text):
        """Another program puts `text` on the clipboard and serves it."""
        offer = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard"], stdin=subprocess.PIPE,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        offer.stdin.write(text.encode())
        offer.stdin.close()
        self.clipboard.append(offer)

    def read_history(self, window):
        return [(role, "META" if META.fullmatch(name) else name) for role, name in reader.read_aloud(window)]

    def open_image(self, path):
        # A second start hands the picture to the running program and exits.
        subprocess.run([PROGRAM, "--open-image", path], env=self.environment, check=True, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def tray_icon(self):
        """The icon's window, once the tray has taken it in."""

        def icons():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "ravelond"],
                                   capture_output=True, text=True).stdout.split()
            small = []
            for window in found:
                geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                                          text=True).stdout
                values = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
                if "WIDTH" in values and int(values["WIDTH"]) <= 64 and int(values["HEIGHT"]) <= 64:
                    small.append(window)
            return small

        found = reader.iterate_until(icons, "the tray icon")
        self.assertEqual(len(found), 1, "one tray icon")
        return found[0]

    def open_panel(self):
        icon = self.tray_icon()

        def panel():
            return next((each for each in reader.children(self.app)
                         if each.name == "Ravelond" and reader.is_showing(each)), None)

        # A click that comes soon after the panel closed is taken for the
        # closing one: click again until it opens.
        for _ in range(5):
            xdotool("mousemove", "--window", icon, "8", "8", "click", "1")
            try:
                return reader.iterate_until(panel, "the panel", patience=reader.PATIENCE / 5)
            except reader.Timeout:
                pass
        self.fail("the panel did not open")

    # Cases, in the order a user meets them

    def test_1_welcome_window_reads_in_the_order_shown(self):
        welcome = self.window("Welcome to Ravelond")
        self.assertEqual(welcome.getRoleName(), "frame")
        self.assertEqual(reader.read_aloud(welcome), WELCOME)

    def test_2_panel_reads_in_the_order_shown_and_return_presses_the_focused_control(self):
        panel = self.open_panel()
        self.assertEqual(panel.getRoleName(), "frame")
        self.assertEqual(reader.read_aloud(panel), PANEL)
        capture = reader.find(panel, lambda each: each.name == "Capture text")
        self.assertEqual(capture.description, "⌃ ⌥ C")

        open_image = reader.find(panel, lambda each: each.name == "Open image…")
        self.assertTrue(open_image.queryComponent().grabFocus())
        reader.iterate_until(lambda: open_image.getState().contains(self.pyatspi.STATE_FOCUSED),
                             "the focus on Open image…")
        xdotool("key", "Return")
        dialog = reader.iterate_until(
            lambda: next((each for each in reader.children(self.app)
                          if each.getRoleName() == "dialog" and reader.is_showing(each)), None),
            "the open dialog")
        self.assertIsNone(self.element("Screenshot selection"), "Return started a capture")
        self.assertNotIn("Recognizing text on your Mac.", [each for each, _, _ in self.announcements])
        xdotool("key", "Escape")
        reader.iterate_until(lambda: not reader.is_showing(dialog), "the dialog to close")

    def test_2b_the_tray_menu_is_in_the_tree_while_shown(self):
        xdotool("mousemove", "--window", self.tray_icon(), "8", "8", "click", "3")
        menu = reader.iterate_until(
            lambda: next((each for each in reader.children(self.app)
                          if each.getRoleName() in ("menu", "popup menu") and reader.is_showing(each)), None),
            "the tray menu")
        self.assertEqual([name for _, name in reader.read_aloud(menu)],
                         ["Capture Text", "Settings…", "Quit Ravelond"])
        xdotool("key", "Escape")
        reader.iterate_until(lambda: not reader.is_showing(menu), "the menu to close")

    def test_2c_ctrl_comma_in_the_panel_opens_the_settings_dialog(self):
        self.open_panel()
        xdotool("key", "ctrl+comma")
        settings = self.window("Ravelond Settings")
        self.assertEqual(settings.getRoleName(), "dialog")
        self.assertEqual(reader.read_aloud(settings)[:2], [
            ("label", "Make yourself at home."),
            ("label", "A few thoughtful defaults. Your finishing touches.")])

    def test_2d_history_reads_in_the_order_shown_and_a_pinned_row_moves_up(self):
        settings = self.window("Ravelond Settings")
        self.press(reader.find(settings, lambda each: each.name == "Save text you copy"))
        browse = reader.iterate_until(lambda: self.element("Browse saved text…"), "the history switched on")
        self.press(browse)
        window = self.window("Ravelond — Clipboard History")
        self.assertEqual(window.getRoleName(), "frame")
        for text in ("Heron", "Egret"):
            self.copy_elsewhere(text)
            reader.iterate_until(lambda: ("label", text) in reader.read_aloud(window), text + " in the history")
        self.assertEqual(self.read_history(window), history(("SAVED", [("Egret", False), ("Heron", False)])))

        heron = reader.find(window, lambda each: each.name == "Heron")
        row = heron.parent.parent
        rows = row.parent
        self.children_changed.clear()
        pin = reader.find(row, lambda each: each.name == "Pin item")
        pin.queryAction().doAction(0)
        reader.iterate_until(lambda: rows in self.children_changed, "the list telling its new order")
        self.assertEqual(self.read_history(window),
                         history(("PINNED", [("Heron", True)]), ("RECENT", [("Egret", False)])))

    def test_3_a_copy_is_announced(self):
        self.open_image(self.words)
        self.assertEqual(self.announced(COPIED)[0], POLITE)

    def test_4_a_too_small_selection_and_a_cancel_are_announced(self):
        xdotool("key", "ctrl+alt+c")
        reader.iterate_until(lambda: self.element("Screenshot selection"), "the selection")
        xdotool("mousemove", "200", "200", "mousedown", "1", "mousemove", "203", "203", "mouseup", "1")
        self.assertEqual(self.announced(TOO_SMALL), (POLITE, "Screenshot selection"))
        xdotool("key", "Escape")
        self.assertEqual(self.announced(CANCELLED)[0], POLITE)

    def test_5_a_failure_is_announced(self):
        self.open_image(self.blank)
        self.assertEqual(self.announced(NO_TEXT)[0], POLITE)

    def test_6_without_announcement_listener_a_notification_is_shown(self):
        self.pyatspi.Registry.deregisterEventListener(self.on_announcement, "object:announcement")
        heard = len(self.announcements)
        xdotool("key", "ctrl+alt+c")
        reader.iterate_until(lambda: self.element("Screenshot selection"), "the selection")
        xdotool("key", "Escape")
        reader.iterate_until(lambda: ("notification", CANCELLED, 1) in self.shown, "the notification")
        self.open_image(self.blank)
        reader.iterate_until(lambda: ("notification", NO_TEXT, 1) in self.shown, "the next notification")
        self.assertEqual([entry for entry in self.shown if entry[0] == "notification"],
                         [("notification", CANCELLED, 1), ("notification", NO_TEXT, 1)],
                         "each shown once, and never a change of showing that a reader would speak again")
        self.assertEqual(self.notification_labels, [[("label", CANCELLED)], [("label", NO_TEXT)]],
                         "the words inside the notification too")
        self.assertEqual(len(self.announcements), heard, "heard twice")


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
