#include "core/files/programfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include "core/files/platform.h"

namespace yomika {

namespace {

// Whether the user may create files in `dir`. A real attempt, because
// permission bits do not tell the whole story (access lists, read-only
// mounts, an administrator's folder on Windows).
bool takesNewFiles(const QString& dir)
{
    QTemporaryFile probe(dir + QStringLiteral("/.yomika-write-test-XXXXXX"));
    return probe.open();
}

// `base`/yomika, made when missing; `fallback` when that cannot be done.
QString userFolder(const QString& base, const QString& fallback)
{
    if (base.isEmpty() || !QFileInfo(base).isAbsolute())
        return fallback;
    const QString folder = QDir(base).filePath(userSubfolder());
    if (!QDir().mkpath(folder))
        return fallback;
    // Others have no business reading the texts a user analyzes.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QDir::toNativeSeparators(folder);
}

} // namespace

ProgramFolders ProgramFolders::portable(const QString& programDir)
{
    return {programDir, programDir, programDir};
}

QString ProgramFolders::file(QStringView name) const
{
    const QString& folder = name == programfile::settingsFile ? settings
                            : name == programfile::inputFile || name == programfile::outputFile
                                ? work
                                : program;
    return platform::joinPath(folder, name.toString());
}

QString ProgramFolders::analyzer() const
{
    return platform::joinPath(program, platform::analyzerFileName());
}

ProgramFolders locateProgramFolders(const QString& programDir)
{
    // An administrator, or Wine, may create files in Program Files: an
    // installer's mark says the folder is not the user's to write in.
    if (!QFileInfo::exists(platform::joinPath(programDir, programfile::installedMark.toString()))
        && takesNewFiles(programDir))
        return ProgramFolders::portable(programDir);
    return {programDir, userFolder(userSettingsBase(), programDir),
            userFolder(userWorkBase(), programDir)};
}

} // namespace yomika
