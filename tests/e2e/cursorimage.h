#pragma once

#include <QByteArray>

// The pointer image the X server shows right now, read from outside the
// program under test, so that a test can tell the busy pointer from the
// default one. Where the display offers no way to read it, `available` is false.

struct CursorImage {
    bool available = false;
    QByteArray name;       // the cursor's name where the toolkit named it, else empty
    quint64 pixelHash = 0; // a hash of its size, hot spot and pixels
};

/// Reads the pointer image of the display named by DISPLAY. Never fails:
/// a display that cannot be opened or read gives `available` false.
CursorImage currentCursorImage();
