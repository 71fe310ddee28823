#pragma once

#include <X11/Xlib.h>

namespace Platform {

// Catches the X protocol errors of the requests made on one display while it lives, so that
// no error of ours ever reaches Xlib's default handler, which ends the process.
//
// One handler serves the process. It is (re)installed when a trap starts; an error that
// arrives while no trap of the display waits for it goes to the handler the application had
// installed, or is dropped when that was Xlib's default.
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits until the server has answered every request made so far and tells whether one
    // made since the trap started failed.
    bool Failed();
    // The error code of the first failure, 0 when none arrived yet.
    int ErrorCode() const { return errorCode_; }

private:
    static int HandleError(Display* display, XErrorEvent* event);

    Display* display_;             // the connection whose errors are caught
    unsigned long firstSerial_;    // serial of the first request made under the trap
    int errorCode_ = 0;            // first error caught, 0 while none
    X11ErrorTrap* previous_;       // the trap this one nests in, or null
};

}  // namespace Platform
