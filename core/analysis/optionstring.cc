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

// The named delimiters and what each puts between the directives. The
// backslash sequences stay two characters each: the analyzer's format
// language turns them into control characters, never this program.
struct NamedDelimiter {
    const char16_t* name;
    const char* delimiter;
};
constexpr NamedDelimiter namedDelimiters[] = {{u"(タブ)", "\\t"}, {u"(空白)", " "}, {u"(改行)", "\\n"}};

QString delimiterFor(const QString& delimiterText)
{
    for (const NamedDelimiter& named : namedDelimiters) {
        if (delimiterText == QStringView(named.name))
            return QString::fromLatin1(named.delimiter);
    }
    return delimiterText;
}

} // namespace

QStringList delimiterChoices()
{
    QStringList choices;
    for (const NamedDelimiter& named : namedDelimiters)
        choices += QString::fromUtf16(named.name);
    return choices << QStringLiteral(",");
}

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
        if (field == InflectionField)
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
