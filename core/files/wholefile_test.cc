// The whole-file operations against real files and real failures. Both
// systems: a missing file or folder, a folder, a read-only file, a full disk.
// POSIX systems only: a FIFO, a symbolic link loop, a folder that takes no
// new file, a write stopped by RLIMIT_FSIZE part-way. Windows only: device
// names, the characters a name may not hold, a file another process holds
// without sharing.

#include "core/files/wholefile.h"

#include <csignal>
#include <optional>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <QTemporaryDir>
#include <QTest>

#include "core/files/textcodec.h"
#include "core/files/textstream.h"
#include "core/files/wholefile_pieces.h"
#include "tests/support/filefaults.h"
#include "tests/support/wine.h"

using namespace yomika;

namespace {


// Double-byte text after one single byte, so that the pieces of a write end
// inside a character.
const QString kLongText = QStringLiteral("A") + QStringLiteral(u"日本語の文章を形態素に分ける。\r\n").repeated(qsizetype(wholefile::kPieceBytes / 10));

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void putBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// The names in `folder`, hidden ones included, to catch a side file left behind.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
}

using namespace testsupport;

// The size limit of the file size of this process (RLIMIT_FSIZE), -1 for
// none. Only POSIX systems have one; Windows tests leave it at -1.
bool limitFileSize(qint64 limit)
{
#ifdef _WIN32
    return limit < 0;
#else
    const rlimit limited{rlim_t(limit), RLIM_INFINITY}, unlimited{RLIM_INFINITY, RLIM_INFINITY};
    return ::setrlimit(RLIMIT_FSIZE, limit < 0 ? &unlimited : &limited) == 0;
#endif
}

} // namespace

class WholeFileTest : public QObject {
    Q_OBJECT

private slots:
    // A folder with a file of each kind; "frozen.txt" refuses changes,
    // "closed" (POSIX systems) takes no new file.
    void init()
    {
        m_dir.emplace();
        QVERIFY(QDir(m_dir->path()).mkpath("folder") && QDir(m_dir->path()).mkpath("closed"));
        for (const char* file : {"file.txt", "closed/open.txt", "frozen.txt", "huge.txt", "held.txt"})
            putBytes(path(file), "contents");
        putBytes(path("source.txt"), kLongText.toUtf8());
        QVERIFY(QFile(path("huge.txt")).resize(wholefile::kMaxReadBytes + 1)); // sparse
#ifndef _WIN32
        std::signal(SIGXFSZ, SIG_IGN); // a write past RLIMIT_FSIZE fails with EFBIG
        QVERIFY(QFile::setPermissions(path("file.txt"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
        QVERIFY(QFile::link("loop2", path("loop")) && QFile::link("loop", path("loop2")) && QFile::link("file.txt", path("link")));
        if (!refuseChanges(path("closed"), true))
            QSKIP("cannot make a folder refuse new files here");
#endif
        if (!refuseChanges(path("frozen.txt"), true))
            QSKIP("cannot make a file refuse changes here");
        m_handles = openHandles();
        QVERIFY(m_handles > 0);
    }

    // Every operation, failed or not, closes what it opened.
    void cleanup()
    {
        QCOMPARE(openHandles(), m_handles);
        refuseChanges(path("closed"), false);
        refuseChanges(path("frozen.txt"), false);
    }

    // The bytes on disk against the text: a write puts exactly the text in
    // UTF-8 there, through a link or in place where the folder takes no new
    // file, and an append exactly after them; a read gives the text back,
    // even where one read call ends inside a character, or where a file of
    // the kernel shows the size 0.
    void bytesAndText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString lines = QStringLiteral(u"日本語です。\r\nｶﾀｶﾅ\r\r\n\n\0\n\r");
        QTest::newRow("Windows-932, line ends of every kind, NUL") << codepage::encode(lines) << lines;
        QTest::newRow("UTF-8") << lines.toUtf8() << lines;
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("several pieces") << codepage::encode(kLongText) << kLongText;
    }

    void bytesAndText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        putBytes(path("read.txt"), bytes);
        QCOMPARE(readWholeFile(path("read.txt")).valueOr(QString()), text);
        QCOMPARE(readWholeBytes(path("read.txt")).valueOr(QByteArray()), bytes);
        // A file's text saved as another: its very bytes when they are UTF-8
        // (copied by the system, or read and written where the system cannot
        // copy between two file systems), converted otherwise.
        QStringList sources{path("read.txt")};
#ifdef _WIN32
        // A symbolic link needs a privilege on Windows, and a folder refuses
        // new files only through its access list: a plain file and a
        // Japanese name with a blank are the targets there.
        const QStringList targets{"file.txt", u"結果 ファイル.txt"_qs};
#else
        const QStringList targets{"link", "closed/open.txt"};
        QTemporaryDir elsewhere(QStringLiteral("/dev/shm/yomika-test-XXXXXX"));
        if (elsewhere.isValid() && QFile::copy(sources[0], elsewhere.filePath("read.txt")))
            sources << elsewhere.filePath("read.txt");
#endif
        for (const QString& target : targets) {
            for (const QString& source : sources) {
                QCOMPARE(errorOf(writeWholeFile(path(target), QStringLiteral("before"))), ErrorNumber::NoError);
                QCOMPARE(errorOf(writeTextFileAsUtf8(source, path(target))), ErrorNumber::NoError);
                QCOMPARE(bytesOf(path(target)), text.toUtf8());
            }
            QCOMPARE(errorOf(writeWholeFile(path(target), text)), ErrorNumber::NoError);
            QCOMPARE(bytesOf(path(target)), text.toUtf8());
            QCOMPARE(errorOf(appendWholeFile(path(target), text)), ErrorNumber::NoError);
            QCOMPARE(bytesOf(path(target)), (text + text).toUtf8());
        }
#ifndef _WIN32 // links, permission bits and files of the kernel are POSIX ones
        QVERIFY(QFileInfo(path("link")).isSymLink());
        QCOMPARE(QFileInfo(path("file.txt")).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        QVERIFY(readWholeFile("/proc/self/status").valueOr(QString()).startsWith("Name:"));
#endif
    }

    // An append goes on in the encoding of the file's bytes so far, decided
    // over all of them; text a Windows-932 file cannot hold is refused, and
    // nothing is written. A lone surrogate is the one thing a write changes.
    void appendKeepsTheEncoding_data()
    {
        QTest::addColumn<QByteArray>("before"); // "<missing>": no file yet
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("added"); // empty: refused
        const QString beyond = QStringLiteral(u"剝頰𠮟塡😀한髙"), surrogate = QStringLiteral("a") + QChar(0xD800);
        const QByteArray ascii(qsizetype(wholefile::kPieceBytes) - 1, 'a');
        QTest::newRow("new file") << QByteArray("<missing>") << surrogate + beyond << "a\xEF\xBF\xBD" + beyond.toUtf8();
        QTest::newRow("empty") << QByteArray() << beyond << beyond.toUtf8();
        QTest::newRow("ASCII") << QByteArray("a\r\n") << beyond << beyond.toUtf8();
        QTest::newRow("UTF-8 across reads") << ascii + "\xE3\x81\x82" << beyond << beyond.toUtf8();
        QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF") << beyond << beyond.toUtf8();
        QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE") << surrogate + "😀" << QByteArray("a\0\xFD\xFF\x3D\xD8\0\xDE", 8);
        QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF") << QStringLiteral(u"あ😀") << QByteArray("\x30\x42\xD8\x3D\xDE\0", 6);
        QTest::newRow("Windows-932") << QByteArray("\x93\xFA") << QStringLiteral(u"本〜?") << QByteArray("\x96\x7B\x81\x60?");
        QTest::newRow("Windows-932 after a read of ASCII") << ascii + "a\x93\xFA" << beyond << QByteArray();
        QTest::newRow("Windows-932, a lone surrogate") << QByteArray("\x93\xFA") << surrogate << QByteArray();
    }

    void appendKeepsTheEncoding()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, text);
        QFETCH(QByteArray, added);
        if (before != "<missing>")
            putBytes(path("append.txt"), before);
        QCOMPARE(errorOf(appendWholeFile(path("append.txt"), text)), added.isEmpty() ? ErrorNumber::NoMappingForText : ErrorNumber::NoError);
        QCOMPARE(bytesOf(path("append.txt")), (before == "<missing>" ? QByteArray() : before) + added);
    }

    // Each cause and its error number. Whatever fails, every file keeps its
    // bytes and no file is left behind. `ops`: the letters of apply().
    void failures_data()
    {
        QTest::addColumn<QString>("ops");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("sizeLimit"); // RLIMIT_FSIZE, or -1
        QTest::addColumn<int>("error");
        const auto rows = [](const char* ops, const QStringList& names, ErrorNumber error, qint64 limit = -1) {
            for (const QString& name : names)
                QTest::addRow("%s %s %lld", ops, qPrintable(name), limit) << QString(ops) << name << limit << int(error);
        };
        rows("rs", {"none.txt"}, ErrorNumber::FileNotFound);
        rows("rwacs", {"none/x.txt", "file.txt/x.txt"}, ErrorNumber::FolderNotFound);
        rows("rwacs", {"folder"}, ErrorNumber::IsDirectory);
        rows("rwacs", {"", QString::fromUtf16(u"file.txt\0.bak", 13)}, ErrorNumber::InvalidName);
        rows("r", {"huge.txt"}, ErrorNumber::FileTooLarge);
        rows("wc", {"frozen.txt"}, ErrorNumber::AccessDenied);
        rows("a", {"frozen.txt"}, ErrorNumber::AccessDenied); // where the system binds this process (see failures())
#ifdef _WIN32
        // Device names stand for devices in every folder; a name may not hold
        // < > | ? * or ", and NTFS refuses them as the system does.
        rows("rwacs", {"NUL", "con"}, ErrorNumber::NotRegularFile);
        rows("rwacs", {"a<b.txt", "a|b.txt", "a?b.txt", "a*.txt", "a\"b.txt"}, ErrorNumber::InvalidName);
        // Another process holds the file without sharing it (see failures();
        // the replacements are heldFileReplaced()).
        rows("ras", {"held.txt"}, ErrorNumber::FileInUse);
#else
        // A name longer than the file system takes: Wine looks a name up in
        // the folder's listing and finds a long one missing (2) without
        // asking Linux, so only POSIX systems show the cause here.
        rows("rwacs", {QString(300, 'n')}, ErrorNumber::NameTooLong);
        // FIFOs, devices under /dev, symbolic links without a privilege,
        // folders that refuse new files by their mode and RLIMIT_FSIZE exist
        // only on POSIX systems.
        rows("rwacs", {"fifo"}, ErrorNumber::NotRegularFile); // at once, without blocking
        rows("rs", {"/dev/zero"}, ErrorNumber::NotRegularFile);
        rows("rwacs", {"loop"}, ErrorNumber::SymlinkLoop);
        rows("wc", {"closed/new.txt"}, ErrorNumber::AccessDenied);
        for (qint64 limit : {qint64(0), qint64(20), qint64(wholefile::kPieceBytes + 1)}) {
            rows("wac", {"file.txt", "new.txt"}, ErrorNumber::FileTooLarge, limit);
            rows("wc", {"closed/open.txt"}, ErrorNumber::FileTooLarge, limit); // written in place, then put back
        }
#endif
    }

    void failures()
    {
        QFETCH(QString, ops);
        QFETCH(QString, name);
        QFETCH(qint64, sizeLimit);
        QFETCH(int, error);
        const auto state = [&] { return entries(m_dir->path()) << bytesOf(path("file.txt")).toHex() << bytesOf(path("closed/open.txt")).toHex(); };
        const QStringList before = state();
        const QString target = name.startsWith('/') || name.isEmpty() ? name : path(name);
        if (ops == u"a" && name == u"frozen.txt" && !readOnlyBinds(target))
            QSKIP("this process may open a read-only file for writing (Wine run by root lets it): an append cannot be refused here");
#ifdef _WIN32 // share modes are Windows' own
        FileHolder holder(QStringLiteral(YOMIKA_FILE_HOLDER));
        if (name == u"held.txt")
            QVERIFY(holder.start(target));
#endif
        const qint64 handles = openHandles(); // with the holder's, which cleanup() does not count
        for (const QChar op : ops) {
            QVERIFY(limitFileSize(sizeLimit));
            const ErrorNumber result = apply(op, target);
            QVERIFY(limitFileSize(-1));
            QCOMPARE(int(result), error);
            QCOMPARE(openHandles(), handles);
            QCOMPARE(state(), before);
        }
#ifdef _WIN32
        holder.release();
        if (name == u"held.txt")
            m_handles = openHandles(); // Qt keeps a handle of its own once it has run a process
#endif
        QCOMPARE(bytesOf(path("held.txt")), "contents");
    }

#ifdef _WIN32
    // A replacement of a file another process holds without sharing (share
    // modes are Windows' own): FileInUse, the old bytes stay, and the side
    // file is gone. Wine's ReplaceFileW leaves a backup file of its own
    // ("rf*.tmp") and a handle to it behind when it fails, which Windows'
    // does not: under Wine those two are put aside.
    void heldFileReplaced()
    {
        QDir folder(m_dir->path());
        const QStringList before = entries(folder.path());
        FileHolder holder(QStringLiteral(YOMIKA_FILE_HOLDER));
        QVERIFY(holder.start(path("held.txt")));
        QCOMPARE(int(errorOf(writeWholeFile(path("held.txt"), kLongText))), int(ErrorNumber::FileInUse));
        QCOMPARE(int(errorOf(writeTextFileAsUtf8(path("source.txt"), path("held.txt")))), int(ErrorNumber::FileInUse));
        holder.release();
        QCOMPARE(bytesOf(path("held.txt")), "contents");
        if (underWine()) {
            for (const QString& backup : folder.entryList({"rf*.tmp"}, QDir::Files | QDir::Hidden | QDir::System))
                QVERIFY(folder.remove(backup));
            m_handles = openHandles();
        }
        QCOMPARE(entries(folder.path()), before);
    }
#endif

    // A full disk, on a small file system of its own: a replace fails with
    // DiskFull and leaves the old file byte for byte and no side file, an
    // append leaves the old bytes and nothing after them, a new file is not
    // left behind. `ops` as in apply().
    void fullDisk_data()
    {
        QTest::addColumn<QString>("ops");
        QTest::addColumn<QString>("name");
        QTest::newRow("replace, append") << "wac" << "old.txt";
        QTest::newRow("new file") << "wac" << "new.txt";
    }

    void fullDisk()
    {
        QFETCH(QString, ops);
        QFETCH(QString, name);
        const QString disk = qEnvironmentVariable("YOMIKA_SMALL_DISK");
        if (disk.isEmpty())
            QSKIP("needs a small file system: the test wholefile_fulldisk mounts one and runs this case");
        QTemporaryDir dir(disk + "/full-XXXXXX");
        QVERIFY(dir.isValid());
        const QByteArray old = QByteArray("以前の内容\r\n").repeated(6000); // 102 KB of 512 KiB
        putBytes(dir.filePath("old.txt"), old);
        const auto state = [&] { return entries(dir.path()) << bytesOf(dir.filePath("old.txt")).toHex(); };
        const QStringList before = state();
        const QString target = dir.filePath(name);
        for (const QChar op : ops) {
            QCOMPARE(int(apply(op, target)), int(ErrorNumber::DiskFull));
            QCOMPARE(state(), before);
        }
        QCOMPARE(bytesOf(dir.filePath("old.txt")), old);
    }

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    // One operation of failures() on `target`: read, write, append, copy (a
    // file's text saved as the target) or copy from the target as source.
    ErrorNumber apply(QChar op, const QString& target) const
    {
        return op == 'r' ? errorOf(readWholeFile(target))
             : op == 'w' ? errorOf(writeWholeFile(target, kLongText))
             : op == 'c' ? errorOf(writeTextFileAsUtf8(path("source.txt"), target))
             : op == 's' ? errorOf(writeTextFileAsUtf8(target, path("file.txt")))
                         : errorOf(appendWholeFile(target, kLongText));
    }

    std::optional<QTemporaryDir> m_dir;
    qint64 m_handles = 0;
};

QTEST_GUILESS_MAIN(WholeFileTest)
#include "wholefile_test.moc"
