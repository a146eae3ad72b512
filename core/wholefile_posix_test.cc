// The whole-file operations against what only POSIX systems have: FIFOs,
// device nodes, permission bits, symbolic links, the kernel's files.

#include "core/wholefile.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "core/codepage.h"
#include "core/errornumber.h"
#include "core/wholefile_testsupport.h"

using namespace yomika;
using namespace yomika::testsupport;

namespace {

bool isRoot()
{
    return ::geteuid() == 0;
}

mode_t modeOf(const QString& path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return 0;
    return status.st_mode;
}

// Makes `path` refuse writing for this process while it lives: by the
// permission bits `bits` for a user, and by the immutable attribute for
// root, who passes every permission check. It gives the path back its
// permissions, so that the temporary folder can be removed.
class Refusal {
public:
    Refusal(const QString& path, mode_t bits) : m_path(path), m_mode(modeOf(path) & 07777)
    {
        if (isRoot())
            m_set = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_path}) == 0;
        else
            m_set = ::chmod(QFile::encodeName(m_path).constData(), bits) == 0;
    }
    ~Refusal()
    {
        if (!m_set)
            return;
        if (isRoot())
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        else
            ::chmod(QFile::encodeName(m_path).constData(), m_mode);
    }
    Refusal(const Refusal&) = delete;
    Refusal& operator=(const Refusal&) = delete;

    bool isSet() const { return m_set; }

private:
    QString m_path;
    mode_t m_mode;
    bool m_set = false;
};

} // namespace

class WholeFilePosixTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void specialFilesAreRefusedAtOnce_data();
    void specialFilesAreRefusedAtOnce();
    void deviceNodeIsNeverReplaced();
    void symlinkLoopIsReported();
    void unreadableFileIsReported();
    void kernelFileWithoutSizeReadsWhole();
    void writeKeepsPermissions();
    void newFileTakesPermissionsFromUmask();
    void failedWriteKeepsPermissions();
    void writeGoesThroughSymlink_data();
    void writeGoesThroughSymlink();
    void readOnlyFileIsNotReplaced();
    void folderRefusingNewFilesIsWrittenInPlace();
    void failedInPlaceWritePutsOldContentsBack();

private:
    int m_handles = -1;
    mode_t m_umask = 0;
};

void WholeFilePosixTest::init()
{
    m_handles = openHandleCount();
    m_umask = ::umask(022);
}

void WholeFilePosixTest::cleanup()
{
    ::umask(m_umask);
    testing::failWritesAfter(-1);
    QCOMPARE(openHandleCount(), m_handles);
}

void WholeFilePosixTest::specialFilesAreRefusedAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("error");
    QTest::newRow("FIFO without a writer") << QStringLiteral("fifo") << int(NotRegularFile);
    QTest::newRow("link to a FIFO") << QStringLiteral("link to fifo") << int(NotRegularFile);
    QTest::newRow("/dev/zero") << QStringLiteral("/dev/zero") << int(NotRegularFile);
    QTest::newRow("/dev/null") << QStringLiteral("/dev/null") << int(NotRegularFile);
}

// Neither read, write nor append blocks on a FIFO or reads a device without
// end, and none replaces them.
void WholeFilePosixTest::specialFilesAreRefusedAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::link(fifo, dir.filePath(QStringLiteral("link to fifo"))));
    const QString path = kind.startsWith(QLatin1Char('/')) ? kind : dir.filePath(kind);
    const mode_t type = modeOf(path) & S_IFMT;

    QElapsedTimer timer;
    timer.start();
    const ReadResult result = readWholeFile(path);
    QCOMPARE(result.error, error);
    QVERIFY(result.text.isEmpty());
    if (!kind.startsWith(QLatin1Char('/'))) { // never write to the system's devices
        QCOMPARE(writeWholeFile(path, u"text"), error);
        QCOMPARE(appendWholeFile(path, u"text"), error);
        QCOMPARE(modeOf(fifo) & S_IFMT, mode_t(S_IFIFO));
    }
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(modeOf(path) & S_IFMT, type);
}

void WholeFilePosixTest::deviceNodeIsNeverReplaced()
{
    if (!isRoot())
        QSKIP("making a device node needs root");
    QTemporaryDir dir;
    const QString node = dir.filePath(QStringLiteral("null"));
    // The same device as /dev/null, in a folder of our own.
    QCOMPARE(::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    QCOMPARE(writeWholeFile(node, u"text"), int(NotRegularFile));
    QCOMPARE(appendWholeFile(node, u"text"), int(NotRegularFile));
    QCOMPARE(modeOf(node) & S_IFMT, mode_t(S_IFCHR));
    QCOMPARE(namesIn(dir.path()), QStringList{QStringLiteral("null")});
}

void WholeFilePosixTest::symlinkLoopIsReported()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a"));
    const QString b = dir.filePath(QStringLiteral("b"));
    QVERIFY(QFile::link(b, a));
    QVERIFY(QFile::link(a, b));
    QCOMPARE(readWholeFile(a).error, int(SymlinkLoop));
    QCOMPARE(writeWholeFile(a, u"text"), int(SymlinkLoop));
    QCOMPARE(appendWholeFile(a, u"text"), int(SymlinkLoop));
}

void WholeFilePosixTest::unreadableFileIsReported()
{
    if (isRoot())
        QSKIP("root reads every file");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("secret.txt"));
    QVERIFY(writeBytes(path, "secret"));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0), 0);
    const ReadResult result = readWholeFile(path);
    QCOMPARE(result.error, int(AccessDenied));
    QVERIFY(result.text.isEmpty());
}

// Such a file shows the size 0 and still has contents: reading goes on to
// the end, not to the size first seen.
void WholeFilePosixTest::kernelFileWithoutSizeReadsWhole()
{
    const QString path = QStringLiteral("/proc/self/status");
    if (!QFileInfo::exists(path))
        QSKIP("no /proc here");
    const ReadResult result = readWholeFile(path);
    QCOMPARE(result.error, 0);
    QVERIFY(result.text.startsWith(QLatin1String("Name:")));
    QVERIFY(result.text.endsWith(QLatin1Char('\n')));
}

void WholeFilePosixTest::writeKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared.txt"));
    QVERIFY(writeBytes(path, "old"));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    QCOMPARE(writeWholeFile(path, u"新しい"), 0);
    QCOMPARE(modeOf(path) & 07777, mode_t(0640));
    QCOMPARE(readBytes(path), codepage::encode(u"新しい"));
}

void WholeFilePosixTest::newFileTakesPermissionsFromUmask()
{
    QTemporaryDir dir;
    const QString written = dir.filePath(QStringLiteral("written.txt"));
    const QString appended = dir.filePath(QStringLiteral("appended.txt"));
    QCOMPARE(writeWholeFile(written, u"text"), 0);
    QCOMPARE(appendWholeFile(appended, u"text"), 0);
    QCOMPARE(modeOf(written) & 07777, mode_t(0644));
    QCOMPARE(modeOf(appended) & 07777, mode_t(0644));
}

void WholeFilePosixTest::failedWriteKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared.txt"));
    QVERIFY(writeBytes(path, "old"));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0604), 0);
    testing::failWritesAfter(2);
    QCOMPARE(writeWholeFile(path, u"new text"), int(DiskFull));
    QCOMPARE(modeOf(path) & 07777, mode_t(0604));
    QCOMPARE(readBytes(path), QByteArray("old"));
    QCOMPARE(namesIn(dir.path()), QStringList{QStringLiteral("shared.txt")});
}

void WholeFilePosixTest::writeGoesThroughSymlink_data()
{
    QTest::addColumn<QString>("target"); // relative to the folder of the link
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("relative link") << QStringLiteral("real.txt") << true;
    QTest::newRow("link into a subfolder") << QStringLiteral("sub/real.txt") << true;
    QTest::newRow("link to a missing file") << QStringLiteral("real.txt") << false;
}

void WholeFilePosixTest::writeGoesThroughSymlink()
{
    QFETCH(QString, target);
    QFETCH(bool, targetExists);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString link = dir.filePath(QStringLiteral("link.txt"));
    if (targetExists)
        QVERIFY(writeBytes(dir.filePath(target), "old"));
    QCOMPARE(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);

    QCOMPARE(writeWholeFile(link, u"書いた"), 0);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(dir.filePath(target)), codepage::encode(u"書いた"));
    QCOMPARE(appendWholeFile(link, u"足した"), 0);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(dir.filePath(target)), codepage::encode(u"書いた足した"));
    QCOMPARE(readWholeFile(link).text, QStringLiteral(u"書いた足した"));
}

void WholeFilePosixTest::readOnlyFileIsNotReplaced()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frozen.txt"));
    QVERIFY(writeBytes(path, "old"));
    const Refusal refusal(path, 0444);
    if (!refusal.isSet())
        QSKIP("cannot make a file read-only for this user here");
    QCOMPARE(writeWholeFile(path, u"new"), int(AccessDenied));
    QCOMPARE(appendWholeFile(path, u"new"), int(AccessDenied));
    QCOMPARE(readBytes(path), QByteArray("old"));
    QCOMPARE(namesIn(dir.path()), QStringList{QStringLiteral("frozen.txt")});
}

void WholeFilePosixTest::folderRefusingNewFilesIsWrittenInPlace()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("closed"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("closed")));
    const QString path = folder + QStringLiteral("/open.txt");
    QVERIFY(writeBytes(path, "old contents that are longer"));
    const Refusal refusal(folder, 0555);
    if (!refusal.isSet())
        QSKIP("cannot close a folder for this user here");
    QCOMPARE(writeWholeFile(dir.filePath(QStringLiteral("closed/new.txt")), u"x"), int(AccessDenied));
    QCOMPARE(writeWholeFile(path, u"新しい"), 0);
    QCOMPARE(readBytes(path), codepage::encode(u"新しい"));
    QCOMPARE(namesIn(folder), QStringList{QStringLiteral("open.txt")});
}

void WholeFilePosixTest::failedInPlaceWritePutsOldContentsBack()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("closed"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("closed")));
    const QString path = folder + QStringLiteral("/open.txt");
    const QByteArray old = "old contents\r\n";
    QVERIFY(writeBytes(path, old));
    const Refusal refusal(folder, 0555);
    if (!refusal.isSet())
        QSKIP("cannot close a folder for this user here");
    testing::failWritesAfter(5);
    QCOMPARE(writeWholeFile(path, u"new contents, longer than the old ones"), int(DiskFull));
    QCOMPARE(readBytes(path), old);
}

QTEST_GUILESS_MAIN(WholeFilePosixTest)
#include "wholefile_posix_test.moc"
