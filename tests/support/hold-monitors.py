#!/usr/bin/env python3
"""Cuts the X screen into displays (RandR monitors) and keeps them until killed.

Usage: hold-monitors.py NAME=WxH+X+Y ...   Prints "ready" once they are set.
`xrandr --setmonitor` is not enough: the server drops a monitor when the
client that made it disconnects. The first display takes the screen's output,
so the automatic monitor over the whole screen goes away.
"""
import ctypes
import re
import signal
import sys

c_ulongs = ctypes.POINTER(ctypes.c_ulong)


class Monitor(ctypes.Structure):
    _fields_ = [(name, ctypes.c_int) for name in
                ("primary", "automatic", "noutput", "x", "y", "width", "height", "mwidth", "mheight")]
    _fields_ = [("name", ctypes.c_ulong)] + _fields_ + [("outputs", c_ulongs)]


class Resources(ctypes.Structure):
    _fields_ = [("timestamp", ctypes.c_ulong), ("config", ctypes.c_ulong), ("ncrtc", ctypes.c_int),
                ("crtcs", c_ulongs), ("noutput", ctypes.c_int), ("outputs", c_ulongs)]


x11, xrandr = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXrandr.so.2")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDefaultRootWindow.restype = x11.XInternAtom.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = x11.XSync.argtypes = [ctypes.c_void_p]
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xrandr.XRRAllocateMonitor.restype = ctypes.POINTER(Monitor)
xrandr.XRRAllocateMonitor.argtypes = [ctypes.c_void_p, ctypes.c_int]
xrandr.XRRSetMonitor.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(Monitor)]
xrandr.XRRGetScreenResourcesCurrent.restype = ctypes.POINTER(Resources)
xrandr.XRRGetScreenResourcesCurrent.argtypes = [ctypes.c_void_p, ctypes.c_ulong]

display = x11.XOpenDisplay(None)
root = x11.XDefaultRootWindow(display)
output = xrandr.XRRGetScreenResourcesCurrent(display, root).contents.outputs[0]
for index, spec in enumerate(sys.argv[1:]):
    name, *numbers = re.fullmatch(r"([\w-]+)=(\d+)x(\d+)\+(\d+)\+(\d+)", spec).groups()
    width, height, x, y = map(int, numbers)
    monitor = xrandr.XRRAllocateMonitor(display, 1 if index == 0 else 0).contents
    monitor.name = x11.XInternAtom(display, name.encode(), 0)
    monitor.primary = index == 0
    monitor.x, monitor.y, monitor.width, monitor.height = x, y, width, height
    monitor.mwidth, monitor.mheight = width * 254 // 960, height * 254 // 960  # about 96 dots per inch
    if index == 0:
        monitor.outputs[0] = output
    xrandr.XRRSetMonitor(display, root, ctypes.byref(monitor))
x11.XSync(display, 0)
print("ready", flush=True)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
signal.pause()
