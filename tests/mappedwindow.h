#pragma once

#include <X11/Xlib.h>

#include <cstdint>

// A top-level window of `display` at (x, y) with the given size, mapped and shown by the time
// this returns (window tests read or draw it at once).
inline Window MakeMappedWindow(Display* display, int x, int y, int32_t width, int32_t height) {
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y,
                                        unsigned(width), unsigned(height), 0, 0, 0);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent event;
    do XNextEvent(display, &event);
    while (event.type != MapNotify);
    return window;
}
