#include "kotoka/testdata.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include "kotoka/codec.h"

namespace kotoka::testdata {
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
    std::string bytes;
    encodeOutput(line.toStdString(), bytes);
    std::string back;
    decodeInput(bytes, back, true);
    return QString::fromStdString(back) == line;
}

} // namespace

QString manualPageProse(qsizetype bytes)
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

    static const QRegularExpression fontChange(QStringLiteral(R"(\\f[BIRP])"));
    QString prose;
    qsizetype size = 0;
    for (QString line : lines) {
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            continue; // a roff request
        line.remove(fontChange);
        line.replace(QStringLiteral("\\-"), QStringLiteral("-"));
        line = line.trimmed();
        if (line.isEmpty() || line.contains(u'\\') || !holdsJapanese(line) || !survivesCodePage(line))
            continue;
        prose += line;
        prose += u'\n';
        size += line.toUtf8().size() + 1;
        if (size >= bytes)
            break;
    }
    return prose;
}

} // namespace kotoka::testdata
