#include "core/analysis/dictionaryinuse.h"

#include <QProcess>

namespace yomika {

DictionaryInUse dictionaryInUse(const QString& analyzer, const QString& resourceFile)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(analyzer, {QStringLiteral("-r"), resourceFile, QStringLiteral("--dictionary")});
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    const QStringList fields = QString::fromUtf8(process.readAllStandardOutput()).trimmed().split(u'\t');
    return fields.size() == 2 ? DictionaryInUse{fields[0], fields[1]} : DictionaryInUse{};
}

QString dictionaryCredit(const DictionaryInUse& dictionary)
{
    if (dictionary.layout.startsWith(u"UniDic"))
        return QStringLiteral("辞書: %1 (BSD-3-Clause/LGPL-2.1/GPL-2+)").arg(dictionary.layout);
    if (dictionary.layout == u"NAIST-jdic")
        return QStringLiteral("辞書: NAIST-jdic (BSD-3-Clause)");
    if (dictionary.layout == u"IPADIC" || dictionary.layout.isEmpty())
        return QStringLiteral("辞書: IPADIC (BSD-3-Clause-with-ICOT-term)");
    return QStringLiteral("辞書: ") + dictionary.folder;
}

} // namespace yomika
