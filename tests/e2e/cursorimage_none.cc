// Displays whose pointer image cannot be read: the tests that need it skip.

#include "tests/e2e/cursorimage.h"

CursorImage currentCursorImage()
{
    return {};
}
