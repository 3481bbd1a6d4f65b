"""What a screen reader sees of a running program: its AT-SPI tree and the
events it raises on the accessibility bus. Imported by the accessibility tests.

The accessibility bus is started here (at-spi-bus-launcher, inside the session
bus the test runs in), before pyatspi connects to it.
"""

import os
import subprocess
import time

import gi

gi.require_version("Gio", "2.0")
gi.require_version("GLib", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

BUS_LAUNCHERS = ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")
# The bound on every wait: far beyond what any step takes on a loaded machine.
PATIENCE = 120.0


class Timeout(AssertionError):
    pass


def iterate_until(predicate, what, patience=PATIENCE):
    """Runs the main loop (so bus events arrive) until predicate() is true."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + patience
    while True:
        while context.pending():
            context.iteration(False)
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout("timed out waiting for " + what)
        # Wake for the next event, or look again shortly for a state that
        # changes without one.
        source = GLib.timeout_add(50, lambda: False)
        context.iteration(True)
        GLib.source_remove(source) if context.find_source_by_id(source) else None


def start_accessibility_bus():
    launcher = next((path for path in BUS_LAUNCHERS if os.path.exists(path)), None)
    if launcher is None:
        raise RuntimeError("at-spi-bus-launcher is not installed (package at-spi2-core)")
    process = subprocess.Popen([launcher, "--launch-immediately"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def address():
        try:
            reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                      GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NO_AUTO_START, 2000, None)
            return reply.unpack()[0]
        except GLib.Error:
            return None

    iterate_until(address, "the accessibility bus")
    return process


def children(accessible):
    result = []
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is not None:
            result.append(child)
    return result


def is_showing(accessible):
    import pyatspi

    states = accessible.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def read_aloud(accessible):
    """The named elements under `accessible` that a reader's review reaches, top
    to bottom, as (role, name) pairs: hidden elements and their contents are
    skipped, and so are the nameless containers themselves."""
    spoken = []

    def visit(node):
        for child in children(node):
            if not is_showing(child):
                continue
            if child.name:
                spoken.append((child.getRoleName(), child.name))
            visit(child)

    visit(accessible)
    return spoken


def find(accessible, predicate):
    for child in children(accessible):
        if predicate(child):
            return child
        found = find(child, predicate)
        if found is not None:
            return found
    return None
