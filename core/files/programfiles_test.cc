// Where the program's files go: all beside the program when its folder takes
// new files, the user's own folders otherwise.

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
        QTest::addColumn<bool>("runtime"); // XDG_RUNTIME_DIR set: small and in memory, never used
        QTest::addColumn<bool>("marked"); // an installer's mark in a folder that takes new files
        QTest::newRow("portable") << true << true << false;
        QTest::newRow("installed") << false << true << false;
        QTest::newRow("installed, no runtime folder") << false << false << false;
        QTest::newRow("installed where files could be made") << true << true << true;
    }
    void folders()
    {
        QFETCH(bool, writable);
        QFETCH(bool, runtime);
        QFETCH(bool, marked);
        const QTemporaryDir home;
        const QString program = writable ? home.filePath("プログラム 𠮟") : QStringLiteral("/nonexistent/yomika");
        QVERIFY(!writable || QDir().mkpath(program));
        QFile mark(program + u'/' + programfile::installedMark.toString());
        QVERIFY(!marked || mark.open(QIODevice::WriteOnly));
        mark.close();
        const bool portable = writable && !marked;
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("XDG_CACHE_HOME", home.filePath("cache").toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime ? home.filePath("run").toUtf8() : QByteArray());
        const ProgramFolders folders = locateProgramFolders(program);
        const QString work = home.filePath("cache/yomika");
        QCOMPARE(folders.program, program);
        QCOMPARE(folders.settings, portable ? program : home.filePath("config/yomika"));
        QCOMPARE(folders.work, portable ? program : work);
        QCOMPARE(folders.file(programfile::inputFile), QDir(folders.work).filePath("input.tmp"));
        QCOMPARE(folders.file(programfile::resourceFile), program + "/dic/kotokarc");
        const QFileDevice::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                                QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QVERIFY(portable || !(QFile::permissions(work) & others)); // the texts stay the user's
        const QStringList left = QDir(program).entryList(QDir::Hidden | QDir::Files);
        QCOMPARE(left, marked ? QStringList{mark.fileName().section(u'/', -1)} : QStringList()); // the write test left nothing
    }
};

QTEST_GUILESS_MAIN(ProgramFilesTest)
#include "programfiles_test.moc"
