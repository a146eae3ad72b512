#include "core/files/platform.h"

#include <QDir>
#include <QProcess>

namespace yomika::platform {

QString analyzerFileName()
{
    return QStringLiteral("kotoka.exe");
}

QString joinPath(const QString& programDir, const QString& relativeName)
{
    // Qt names directories with "/"; the analyzer's command line shows native ones.
    return QDir::toNativeSeparators(programDir) + QLatin1Char('\\') + relativeName;
}

bool openTextViewer(const QString& path)
{
    return QProcess::startDetached(QStringLiteral("notepad.exe"), {QDir::toNativeSeparators(path)});
}

} // namespace yomika::platform
