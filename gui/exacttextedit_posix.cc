#include "gui/exacttextedit.h"

namespace yomika {

// Text files here end their lines with LF.
QString ExactTextEdit::typedLineBreak()
{
    return QStringLiteral("\n");
}

} // namespace yomika
