#include "tests/support/programrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace yomika::testsupport {

ProgramRun runProgram(QStringList command, const QString& folder, const QByteArray& input,
                      const QString& configHome)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    if (!configHome.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#ifdef Q_OS_WIN
        environment.insert(QStringLiteral("APPDATA"), QDir::toNativeSeparators(configHome));
#else
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
#endif
        process.setProcessEnvironment(environment);
    }
    process.start(command.takeFirst(), command);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(600000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace yomika::testsupport
