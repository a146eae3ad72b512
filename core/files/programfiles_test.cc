// Where the program's files go: all beside the program when its folder takes
// new files, the user's own folders otherwise: on POSIX systems the XDG
// folders, on Windows %APPDATA%.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "core/files/programfiles.h"

using namespace yomika;

class ProgramFilesTest : public QObject {
    Q_OBJECT

private slots:
    void folders_data()
    {
        QTest::addColumn<bool>("writable");
        // The user's folders named by the system: XDG_RUNTIME_DIR set as
        // well on POSIX systems (small and in memory, never used); on
        // Windows, %APPDATA% set or not (the program folder then stands in).
        QTest::addColumn<bool>("userFolders");
        QTest::addColumn<bool>("marked"); // an installer's mark in a folder that takes new files
        QTest::newRow("portable") << true << true << false;
        QTest::newRow("installed") << false << true << false;
#ifdef _WIN32
        QTest::newRow("installed, no APPDATA") << false << false << false;
#else
        QTest::newRow("installed, no runtime folder") << false << false << false;
#endif
        QTest::newRow("installed where files could be made") << true << true << true;
    }
    void folders()
    {
        QFETCH(bool, writable);
        QFETCH(bool, userFolders);
        QFETCH(bool, marked);
        const QTemporaryDir home;
        const QString program = writable ? home.filePath("プログラム 𠮟") : home.filePath("nonexistent/yomika");
        QVERIFY(!writable || QDir().mkpath(program));
        QFile mark(program + u'/' + programfile::installedMark.toString());
        QVERIFY(!marked || mark.open(QIODevice::WriteOnly));
        mark.close();
        const bool portable = writable && !marked;
#ifdef _WIN32
        qputenv("APPDATA", userFolders ? QDir::toNativeSeparators(home.filePath("appdata")).toUtf8() : QByteArray());
        // Without %APPDATA% the program folder stands in, as it was given.
        const QString settings = userFolders ? QDir::toNativeSeparators(home.filePath("appdata/Yomika")) : program;
        const QString work = settings;
#else
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("XDG_CACHE_HOME", home.filePath("cache").toUtf8());
        qputenv("XDG_RUNTIME_DIR", userFolders ? home.filePath("run").toUtf8() : QByteArray());
        const QString settings = home.filePath("config/yomika"), work = home.filePath("cache/yomika");
#endif
        const auto native = [](const QString& path) { return QDir::toNativeSeparators(path); };
        const ProgramFolders folders = locateProgramFolders(program);
        QCOMPARE(folders.program, program);
        QCOMPARE(folders.settings, portable ? program : settings);
        QCOMPARE(folders.work, portable ? program : work);
        QCOMPARE(folders.file(programfile::inputFile), native((portable ? program : work) + "/input.tmp"));
        QCOMPARE(folders.file(programfile::settingsFile), native((portable ? program : settings) + "/yomika.ini"));
        QCOMPARE(folders.file(programfile::resourceFile), native(program + "/dic/kotokarc"));
#ifndef _WIN32 // permission bits for others are POSIX ones
        const QFileDevice::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                                QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QVERIFY(portable || !(QFile::permissions(work) & others)); // the texts stay the user's
#endif
        QVERIFY(portable || !userFolders || QFileInfo(work).isDir()); // made on the way
        const QStringList left = QDir(program).entryList(QDir::Hidden | QDir::Files);
        QCOMPARE(left, marked ? QStringList{mark.fileName().section(u'/', -1)} : QStringList()); // the write test left nothing
    }
};

QTEST_GUILESS_MAIN(ProgramFilesTest)
#include "programfiles_test.moc"
