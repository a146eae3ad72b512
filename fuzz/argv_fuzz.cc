// The option string as the analyzer's arguments: splitting it the Windows
// way never crashes, copies every character that is not a blank, tab, quote
// or backslash exactly once and in order, and never displaces the fixed
// paths around it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QString>

#include "core/analysis/commandline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The bytes as UTF-8 (what a user types) and as raw UTF-16 units, lone
    // surrogates and NULs included.
    const QString texts[] = {
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)),
        QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2)),
    };
    const auto ordinary = [](QString text) { // a regular expression would refuse lone surrogates
        return text.removeIf([](QChar c) { return c == u' ' || c == u'\t' || c == u'"' || c == u'\\'; });
    };
    for (const QString& text : texts) {
        const QStringList arguments = yomika::splitWindowsArguments(text);
        if (ordinary(arguments.join(QString())) != ordinary(text))
            std::abort();
        const QStringList all = yomika::analyzerInvocation(yomika::ProgramFolders::portable(QStringLiteral("/p d")), text).arguments;
        if (all.size() != arguments.size() + 5 || all.mid(4, arguments.size()) != arguments || all[0] != u"-r"
            || all[2] != u"-o" || !all.last().endsWith(u"input.tmp"))
            std::abort();
    }
    return 0;
}
