#pragma once

namespace kelvo::x11 {

// Redirects the root's child windows (automatic mode) on a connection kept
// for the life of the process, so every top-level keeps its own picture and
// Kelvo's windows can be left out of recordings. Call once at start-up, before
// any Kelvo window shows: a window redirected later holds a copy of the screen
// until it repaints. True when redirection is in place; later calls are cheap.
bool redirectTopLevelsForCapture();

} // namespace kelvo::x11
