#include "gui/widgets.h"

namespace yomika {

// X11 and Wayland input methods have no open/closed state an application may
// set; the Latin-preferring hint is all there is.
void switchInputMethodOff(QWidget*) {}

} // namespace yomika
