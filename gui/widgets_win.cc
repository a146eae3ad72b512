#include "gui/widgets.h"

#include <windows.h>
#include <imm.h>

namespace yomika {

void switchInputMethodOff(QWidget* widget)
{
    const auto window = reinterpret_cast<HWND>(widget->window()->winId());
    if (HIMC context = ImmGetContext(window)) {
        ImmSetOpenStatus(context, FALSE);
        ImmReleaseContext(window, context);
    }
}

} // namespace yomika
