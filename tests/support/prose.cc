#include "tests/support/prose.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include "core/files/textcodec.h"

namespace yomika::testsupport {
namespace {

bool holdsJapanese(const QString& line)
{
    for (QChar c : line) {
        if (c.unicode() >= 0x3000)
            return true;
    }
    return false;
}

bool survivesCodePage(const QString& line)
{
    return codepage::decode(codepage::encode(line)) == line;
}

} // namespace

QString manualPageProse(qsizetype bytes, QStringView lineEnd)
{
    const QString pageRoot = QStringLiteral("/usr/share/man/ja");
    QStringList pages;
    for (const QString& section : {QStringLiteral("man1"), QStringLiteral("man8"), QStringLiteral("man5")}) {
        const QDir folder(pageRoot + u'/' + section);
        for (const QString& name : folder.entryList({QStringLiteral("*.gz")}, QDir::Files, QDir::Name))
            pages << folder.filePath(name);
    }
    if (pages.isEmpty())
        return {};

    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), QStringList{QStringLiteral("-dc")} + pages);
    if (!gzip.waitForFinished(120000))
        return {};
    const QStringList lines = QString::fromUtf8(gzip.readAllStandardOutput()).split(u'\n');

    static const QRegularExpression markup(QStringLiteral(R"(\\f[BIRP]|\\f\(..|\\[,/&]|\\\(..|\\s[-+]?\d)"));
    QString prose;
    qsizetype size = 0;
    for (QString line : lines) {
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            continue; // a roff request
        line.remove(markup);
        line.replace(QStringLiteral("\\-"), QStringLiteral("-"));
        line = line.trimmed();
        if (line.isEmpty() || line.contains(u'\\') || !holdsJapanese(line) || !survivesCodePage(line))
            continue;
        prose += line;
        prose += lineEnd;
        size += line.toUtf8().size() + lineEnd.size();
        if (size >= bytes)
            break;
    }
    return prose;
}

QByteArray repeatTo(const QByteArray& piece, qsizetype size)
{
    QByteArray all;
    if (piece.isEmpty())
        return all;
    all.reserve(size + piece.size());
    while (all.size() < size)
        all += piece;
    return all;
}

} // namespace yomika::testsupport
