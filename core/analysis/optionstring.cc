#include "core/analysis/optionstring.h"

namespace yomika {

namespace {

// The analyzer's format directive for each field, in the order of FieldSet.
// "%T " and "%F " end in a blank that the analyzer prints; the inflection
// field is the pair of them with the delimiter between, built below.
const QString& directive(int field)
{
    static const QString directives[] = {
        QStringLiteral("%m"),     QStringLiteral("%M"),       QStringLiteral("%y1"),
        QStringLiteral("%a1"),    QStringLiteral("%U(%P-)"),
    };
    return directives[field];
}

QString delimiterFor(const QString& delimiterText)
{
    // The backslash sequences stay two characters each: the analyzer's format
    // language turns them into control characters, never this program.
    if (delimiterText == QStringLiteral(u"(タブ)"))
        return QStringLiteral("\\t");
    if (delimiterText == QStringLiteral(u"(空白)"))
        return QStringLiteral(" ");
    if (delimiterText == QStringLiteral(u"(改行)"))
        return QStringLiteral("\\n");
    return delimiterText;
}

} // namespace

QString buildOptionString(const FieldSet& fields, const QString& delimiterText)
{
    const QString delimiter = delimiterFor(delimiterText);
    QString directives;
    bool any = false;
    for (int field = 0; field < int(fields.size()); ++field) {
        if (!fields[field])
            continue;
        if (any)
            directives += delimiter;
        any = true;
        if (field == 5)
            directives += QStringLiteral("%T ") + delimiter + QStringLiteral("%F ");
        else
            directives += directive(field);
    }
    // Tested on `any`, not on the text: an emptied delimiter with one field
    // still gives a format option.
    if (!any)
        return QString();
    return QStringLiteral("-F \"") + directives + QStringLiteral("\\n\"");
}

QString withoutLineBreaks(QString text)
{
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    return text;
}

QStringList recordOptionHistory(QStringList history, const QString& text)
{
    if (text.isEmpty())
        return history;
    history.removeAll(text);
    history.prepend(text);
    return history;
}

} // namespace yomika
