// Splitting an option string the Windows way never crashes, and quoting the
// arguments it gives and splitting again gives the same arguments back.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QString>
#include <QStringList>

#include "core/commandline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The bytes as UTF-8 (what a user types) and, in the odd case, as raw
    // UTF-16 units, lone surrogates and NULs included.
    const QString texts[] = {
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)),
        QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2)),
    };
    for (const QString& text : texts) {
        const QStringList arguments = yomika::splitWindowsArguments(text);
        QStringList quoted;
        for (const QString& argument : arguments)
            quoted << yomika::quoteWindowsArgument(argument);
        if (yomika::splitWindowsArguments(quoted.join(QLatin1Char(' '))) != arguments)
            std::abort();
        // Any argument list survives quoting: the split pieces themselves, taken as arguments.
        const QStringList pieces = text.split(QLatin1Char('|'));
        quoted.clear();
        for (const QString& piece : pieces)
            quoted << yomika::quoteWindowsArgument(piece);
        if (yomika::splitWindowsArguments(quoted.join(QLatin1Char(' '))) != pieces)
            std::abort();
    }
    return 0;
}
