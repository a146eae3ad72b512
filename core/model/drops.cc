#include "core/model/drops.h"

#include <algorithm>

#include <QDir>
#include <QMimeData>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

namespace yomika {

namespace {

bool hasPlainText(const QMimeData& data)
{
    const QStringList formats = data.formats();
    for (const QString& format : formats) {
        if (format == u"text/plain" || format.startsWith(u"text/plain;"))
            return true;
    }
    return false;
}

// True when every non-empty line of `text` is the path or the URI of one of
// `paths`. An empty text qualifies: it names nothing else.
bool namesOnlyListedFiles(const QString& text, const QStringList& paths)
{
    QSet<QString> names;
    for (const QString& path : paths) {
        names.insert(path);
        names.insert(QDir::toNativeSeparators(path));
    }
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    const QStringList lines = text.split(lineEnd, Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || names.contains(line) || names.contains(trimmed))
            continue;
        // Encoded or not: "file:///tmp/a%20b.txt" and "file:///tmp/a b.txt".
        const QUrl url(trimmed, QUrl::TolerantMode);
        if (url.isValid() && url.isLocalFile() && names.contains(url.toLocalFile()))
            continue;
        return false;
    }
    return true;
}

} // namespace

DroppedData interpretDrop(const QMimeData& data)
{
    QStringList paths;
    if (data.hasUrls()) {
        const QList<QUrl> urls = data.urls();
        for (const QUrl& url : urls) {
            if (url.isLocalFile())
                paths.append(url.toLocalFile());
        }
    }

    if (hasPlainText(data)) {
        const QString text = data.text();
        if (paths.isEmpty() || !namesOnlyListedFiles(text, paths))
            return {DroppedData::Kind::Text, text, {}};
    }
    if (!paths.isEmpty())
        return {DroppedData::Kind::Files, QString(), paths};
    return {};
}

bool offersTextOrFiles(const QMimeData& data)
{
    if (hasPlainText(data))
        return true;
    if (!data.hasUrls())
        return false;
    const QList<QUrl> urls = data.urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); });
}

QString directoryMessage(const QString& path)
{
    return QDir::toNativeSeparators(path) + QStringLiteral("\r\nはディレクトリです");
}

} // namespace yomika
