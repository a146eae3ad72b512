#include "gui/exacttextedit.h"

namespace yomika {

// Text files on Windows end their lines with CR LF.
QString ExactTextEdit::typedLineBreak()
{
    return QStringLiteral("\r\n");
}

} // namespace yomika
