// The pointer image through the X Fixes extension, which hands out the image
// of whatever cursor the server shows, whichever client set it.

#include "tests/e2e/cursorimage.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

CursorImage currentCursorImage()
{
    CursorImage result;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return result;
    int eventBase = 0;
    int errorBase = 0;
    if (XFixesQueryExtension(display, &eventBase, &errorBase)) {
        if (XFixesCursorImage* image = XFixesGetCursorImage(display)) {
            result.available = true;
            if (image->name)
                result.name = image->name;
            // FNV-1a over the shape; the position of the pointer is left out.
            quint64 hash = 1469598103934665603ULL;
            auto mix = [&hash](quint64 value) {
                hash ^= value;
                hash *= 1099511628211ULL;
            };
            mix(image->width);
            mix(image->height);
            mix(image->xhot);
            mix(image->yhot);
            const unsigned long count = static_cast<unsigned long>(image->width) * image->height;
            for (unsigned long i = 0; i < count; ++i)
                mix(static_cast<quint32>(image->pixels[i]));
            result.pixelHash = hash;
            XFree(image);
        }
    }
    XCloseDisplay(display);
    return result;
}
