#include "platform/x11errortrap.h"

#include <mutex>

namespace Platform {

namespace {

using ErrorHandler = int (*)(Display*, XErrorEvent*);

// Xlib keeps one error handler for the process, so the traps share one list and the
// handler they install; the mutex guards both.
std::mutex gMutex;
X11ErrorTrap* gInnermost = nullptr;  // the most recently started trap still alive
ErrorHandler gApplicationHandler = nullptr;  // the handler an application installed, if any

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display)
    : display_(display), firstSerial_(NextRequest(display)) {
    std::lock_guard<std::mutex> guard(gMutex);
    // Setting null restores Xlib's default and returns what was installed; setting ours then
    // returns the default's address, so an application's own handler can be told apart.
    const ErrorHandler installed = XSetErrorHandler(nullptr);
    const ErrorHandler xlibDefault = XSetErrorHandler(&X11ErrorTrap::HandleError);
    if (installed != &X11ErrorTrap::HandleError)
        gApplicationHandler = installed == xlibDefault ? nullptr : installed;
    previous_ = gInnermost;
    gInnermost = this;
}

X11ErrorTrap::~X11ErrorTrap() {
    // Errors of our requests still on their way must find a trap: wait for them first.
    XSync(display_, False);
    std::lock_guard<std::mutex> guard(gMutex);
    // Traps end in reverse order on each thread; unlink this one wherever it is.
    for (X11ErrorTrap** link = &gInnermost; *link; link = &(*link)->previous_) {
        if (*link == this) {
            *link = previous_;
            break;
        }
    }
}

bool X11ErrorTrap::Failed() {
    XSync(display_, False);
    std::lock_guard<std::mutex> guard(gMutex);
    return errorCode_ != 0;
}

int X11ErrorTrap::HandleError(Display* display, XErrorEvent* event) {
    ErrorHandler forward = nullptr;
    {
        // Xlib calls the handler with the display locked but not our mutex; a trap of the
        // display whose requests include this one takes the error.
        std::lock_guard<std::mutex> guard(gMutex);
        for (X11ErrorTrap* trap = gInnermost; trap; trap = trap->previous_) {
            if (trap->display_ == display && event->serial >= trap->firstSerial_) {
                if (trap->errorCode_ == 0) trap->errorCode_ = event->error_code;
                return 0;
            }
        }
        forward = gApplicationHandler;
    }
    return forward ? forward(display, event) : 0;
}

}  // namespace Platform
