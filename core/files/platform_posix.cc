#include "core/files/platform.h"

#include <QProcess>

namespace yomika::platform {

QString analyzerFileName()
{
    return QStringLiteral("kotoka");
}

QString joinPath(const QString& programDir, const QString& relativeName)
{
    // Only the fixed name's separators change: a backslash in the program
    // directory is an ordinary character of a file name here.
    QString name = relativeName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return programDir + QLatin1Char('/') + name;
}

bool openTextViewer(const QString& path)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

} // namespace yomika::platform
