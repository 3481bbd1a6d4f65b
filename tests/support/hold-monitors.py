#!/usr/bin/env python3
"""Cuts the X screen into displays (RandR monitors) and keeps them.

Usage: hold-monitors.py NAME=WxH+X+Y ...
`xrandr --setmonitor` is not enough: the server drops a monitor when the
client that made it disconnects. This one stays connected until it is
killed. The first display takes the screen's output, so the automatic
monitor covering the whole screen goes away. Prints "ready" once done.
"""
import ctypes
import re
import signal
import sys

x11 = ctypes.CDLL("libX11.so.6")
xrandr = ctypes.CDLL("libXrandr.so.2")


class MonitorInfo(ctypes.Structure):
    _fields_ = [("name", ctypes.c_ulong), ("primary", ctypes.c_int), ("automatic", ctypes.c_int),
                ("noutput", ctypes.c_int), ("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("mwidth", ctypes.c_int), ("mheight", ctypes.c_int),
                ("outputs", ctypes.POINTER(ctypes.c_ulong))]


class ScreenResources(ctypes.Structure):
    _fields_ = [("timestamp", ctypes.c_ulong), ("configTimestamp", ctypes.c_ulong), ("ncrtc", ctypes.c_int),
                ("crtcs", ctypes.POINTER(ctypes.c_ulong)), ("noutput", ctypes.c_int),
                ("outputs", ctypes.POINTER(ctypes.c_ulong))]


x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xrandr.XRRAllocateMonitor.restype = ctypes.POINTER(MonitorInfo)
xrandr.XRRAllocateMonitor.argtypes = [ctypes.c_void_p, ctypes.c_int]
xrandr.XRRSetMonitor.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(MonitorInfo)]
xrandr.XRRGetScreenResourcesCurrent.restype = ctypes.POINTER(ScreenResources)
xrandr.XRRGetScreenResourcesCurrent.argtypes = [ctypes.c_void_p, ctypes.c_ulong]

SPEC = re.compile(r"^([\w-]+)=(\d+)x(\d+)\+(\d+)\+(\d+)$")


def main(specs):
    display = x11.XOpenDisplay(None)
    if not display:
        print("no X display", file=sys.stderr)
        return 1
    root = x11.XDefaultRootWindow(display)
    resources = xrandr.XRRGetScreenResourcesCurrent(display, root)
    for index, spec in enumerate(specs):
        match = SPEC.match(spec)
        if not match:
            print(f"not NAME=WxH+X+Y: {spec}", file=sys.stderr)
            return 2
        name, width, height, x, y = match.group(1), *map(int, match.groups()[1:])
        takes_output = index == 0 and resources and resources.contents.noutput > 0
        monitor = xrandr.XRRAllocateMonitor(display, 1 if takes_output else 0).contents
        monitor.name = x11.XInternAtom(display, name.encode(), 0)
        monitor.primary = index == 0
        monitor.x, monitor.y, monitor.width, monitor.height = x, y, width, height
        # About 96 dots per inch.
        monitor.mwidth, monitor.mheight = width * 254 // 960, height * 254 // 960
        if takes_output:
            monitor.outputs[0] = resources.contents.outputs[0]
        xrandr.XRRSetMonitor(display, root, ctypes.byref(monitor))
    x11.XSync(display, 0)
    print("ready", flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    signal.pause()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
