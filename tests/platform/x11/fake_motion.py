#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Moves the pointer as a device would (XTest motion, which raw-motion listeners
see; xdotool's mousemove warps the pointer, which they do not).
usage: fake_motion.py X,Y [X,Y ...]"""
import ctypes, sys
x11 = ctypes.CDLL("libX11.so.6"); xt = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
d = x11.XOpenDisplay(None)
for a in sys.argv[1:]:
    x, y = map(int, a.split(","))
    xt.XTestFakeMotionEvent(ctypes.c_void_p(d), -1, x, y, 0)
x11.XSync(ctypes.c_void_p(d), 0)
