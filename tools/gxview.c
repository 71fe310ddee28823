/* The viewer: shows the demo gallery in an X11 window through a window render target. Any
   key shows the next page, Left or BackSpace the previous one, q or Escape quits. The page
   is redrawn whenever the window is exposed or resized. With --gpu the window is drawn by
   the GPU renderer where the machine has a usable Vulkan device (else by software, as
   without it), so two viewers side by side compare the renderers.
   Usage: gxview [--gpu] [first-page] */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <gx.h>
#include <gxhost.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "gallery/gallery.h"

/* Paints the page through the window's render target. */
static void Show(GXRenderTargetRec_* target, int page) {
    GXIntSize size = {0, 0};
    if (GXRenderTargetBeginPaint(target) != GXResultSuccess) return;
    /* The back buffer follows the window's size at BeginPaint. */
    GXRenderTargetGetSize(target, &size);
    GalleryDrawFitted(page, target, size.width, size.height);
    const GXResult result = GXRenderTargetEndPaint(target);
    if (result != GXResultSuccess) fprintf(stderr, "gxview: presenting failed with %d\n", (int)result);
}

int main(int argc, char** argv) {
    const int pages = GalleryPageCount();
    const int gpu = argc > 1 && strcmp(argv[1], "--gpu") == 0;
    if (gpu) {
        --argc;
        ++argv;
    }
    int page = argc > 1 ? atoi(argv[1]) : 0;
    page = ((page % pages) + pages) % pages;
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "gxview: cannot open the X display (is DISPLAY set?)\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                        GALLERY_WIDTH + 32, GALLERY_HEIGHT + 32, 0,
                                        BlackPixel(display, screen), BlackPixel(display, screen));
    XStoreName(display, window, gpu ? "gxview (GPU)" : "gxview");
    XSelectInput(display, window, ExposureMask | KeyPressMask | StructureNotifyMask);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    /* The background is never cleared by the server: the back buffer covers every pixel. */
    XSetWindowBackgroundPixmap(display, window, None);
    XMapWindow(display, window);

    GXHostWindow* host = NULL;
    GXRenderTargetRec_* target = NULL;
    if (gpu && GXEnableHWAccelerationForThread() != GXResultSuccess) {
        fprintf(stderr, "gxview: hardware acceleration could not be switched on\n");
        return 1;
    }
    if (GXHostWrapWindow(display, window, &host) != GXResultSuccess ||
        GXCreateRenderTargetHWND(host, 0, &target) != GXResultSuccess) {
        fprintf(stderr, "gxview: no render target for the window\n");
        return 1;
    }
    printf("gxview: page %d of %d (%s); any key: next, Left: previous, q: quit\n", page + 1,
           pages, GalleryPageName(page));

    int running = 1, dirty = 0;
    while (running) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
        case Expose:
        case ConfigureNotify:
            dirty = 1;
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if (key == XK_q || key == XK_Escape) {
                running = 0;
            } else {
                page = (page + (key == XK_Left || key == XK_BackSpace ? pages - 1 : 1)) % pages;
                printf("gxview: page %d of %d (%s)\n", page + 1, pages, GalleryPageName(page));
                dirty = 1;
            }
            break;
        }
        case ClientMessage:
            if ((Atom)event.xclient.data.l[0] == deleteWindow) running = 0;
            break;
        default:
            break;
        }
        /* One paint for a burst of exposures and resizes. */
        if (running && dirty && XPending(display) == 0) {
            Show(target, page);
            dirty = 0;
        }
    }
    GXObjectRelease(GX_HANDLE(target));
    GXHostDeleteWindow(host);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
