#include "core/model/settingsfile.h"

#include "core/analysis/optionstring.h"

namespace yomika {

namespace {

// Hands out the lines of a text one at a time. The file is written with
// CR LF, but a file edited by hand elsewhere may end its lines with LF or CR
// alone; each of the three ends one line.
class LineReader {
public:
    explicit LineReader(QStringView text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_pos >= m_text.size(); }

    /// The next line without its line end; call only when not atEnd().
    QStringView next()
    {
        const qsizetype start = m_pos;
        qsizetype end = start;
        while (end < m_text.size() && m_text[end] != u'\r' && m_text[end] != u'\n')
            ++end;
        m_pos = end;
        if (m_pos < m_text.size()) {
            if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
                m_pos += 2;
            else
                m_pos += 1;
        }
        return m_text.sliced(start, end - start);
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The check-box state of a number line: a decimal number with any blanks
// (spaces, tabs) around it, 0 clear, 1 ticked, 2 greyed; nothing for any
// other number and for a line that holds no number at all.
std::optional<Qt::CheckState> parseStateLine(QStringView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isBlank(line[begin]))
        ++begin;
    while (end > begin && isBlank(line[end - 1]))
        --end;
    if (begin == end)
        return std::nullopt;
    // Leading zeros are still the same number; the value is never built, so
    // a line of a million digits cannot overflow anything.
    qsizetype first = begin;
    for (qsizetype i = begin; i < end; ++i) {
        if (line[i] < u'0' || line[i] > u'9')
            return std::nullopt;
    }
    while (first < end - 1 && line[first] == u'0')
        ++first;
    if (end - first != 1)
        return std::nullopt;
    switch (line[first].unicode()) {
    case u'0':
        return Qt::Unchecked;
    case u'1':
        return Qt::Checked;
    case u'2':
        return Qt::PartiallyChecked;
    default:
        return std::nullopt;
    }
}

// The digit a state is written as.
int stateNumber(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

} // namespace

SettingsRead parseSettingsText(QStringView text)
{
    SettingsRead read;
    LineReader lines(text);
    for (int i = 0; i < settingsStateCount; ++i) {
        if (lines.atEnd())
            return read;
        const std::optional<Qt::CheckState> state = parseStateLine(lines.next());
        if (!state)
            return read;
        read.states.push_back(*state);
    }
    if (lines.atEnd())
        return read;
    read.delimiter = lines.next().toString();
    if (lines.atEnd())
        return read;
    read.appendFileName = lines.next().toString();
    read.complete = true;
    while (!lines.atEnd())
        read.history.append(lines.next().toString());
    return read;
}

QString settingsText(const Settings& settings)
{
    const QLatin1StringView lineEnd("\r\n");
    qsizetype size = settingsStateCount * 5 + settings.delimiter.size()
                     + settings.appendFileName.size() + 4;
    for (const QString& entry : settings.history)
        size += entry.size() + 2;

    QString text;
    text.reserve(size);
    auto appendLine = [&](const QString& value) {
        text.append(withoutLineBreaks(value));
        text.append(lineEnd);
    };
    for (Qt::CheckState state : settings.states) {
        text.append(u' ');
        text.append(QChar(char16_t(u'0' + stateNumber(state))));
        text.append(u' ');
        text.append(lineEnd);
    }
    appendLine(settings.delimiter);
    appendLine(settings.appendFileName);
    for (const QString& entry : settings.history)
        appendLine(entry);
    return text;
}

} // namespace yomika
