#include "core/wholefile.h"

#include <QTemporaryDir>
#include <QTest>

#include "core/codepage.h"
#include "core/errornumber.h"
#include "core/wholefile_platform.h"
#include "core/wholefile_testsupport.h"

using namespace yomika;
using namespace yomika::testsupport;

namespace {

constexpr auto kPiece = static_cast<qsizetype>(wholefile::kPieceBytes);

// Double-byte text after one single byte, so that the pieces the file is
// read and written in end in the middle of a double-byte character.
QString longJapaneseText()
{
    QString text = QStringLiteral("A");
    while (text.size() < 3 * kPiece / 4)
        text += QStringLiteral(u"日本語の文章を形態素に分けて読みを付ける。\r\n");
    return text + QStringLiteral(u"終わり");
}

QByteArray bytesWithPairAt(qsizetype offset, const QByteArray& tail)
{
    return QByteArray(offset, 'a') + tail;
}

} // namespace

class WholeFileTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTripKeepsTextAndBytesExact_data();
    void roundTripKeepsTextAndBytesExact();
    void readDecodesBytesExactly_data();
    void readDecodesBytesExactly();
    void emptyFileReadsAsEmptyTextWithoutError();
    void readFailures_data();
    void readFailures();
    void fileAboveLimitIsRefused();
    void writeFailures_data();
    void writeFailures();
    void writeEmptyTextEmptiesFile();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void failedWriteOfNewFileLeavesNothing();
    void seamCountsBytesAcrossOperations();
    void append_data();
    void append();
    void appendFailures_data();
    void appendFailures();
    void failedAppendCutsBack_data();
    void failedAppendCutsBack();

private:
    int m_handles = -1;
};

void WholeFileTest::init()
{
    m_handles = openHandleCount();
}

// Every operation, failed or not, closes what it opened.
void WholeFileTest::cleanup()
{
    testing::failWritesAfter(-1);
    QCOMPARE(openHandleCount(), m_handles);
}

void WholeFileTest::roundTripKeepsTextAndBytesExact_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("CR LF and double-byte text, no line end at the end")
        << QStringLiteral(u"日本語の文章です。\r\n二行目は半角ｶﾀｶﾅとASCII。\r\n三行目に改行なし");
    QTest::newRow("empty") << QString();
    QTest::newRow("line end only") << QStringLiteral("\r\n");
    QTest::newRow("lone CR and LF kept apart") << QStringLiteral("a\rb\nc\n\r");
    QTest::newRow("characters only Windows maps") << QStringLiteral(u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
    QTest::newRow("longer than several pieces") << longJapaneseText();
}

void WholeFileTest::roundTripKeepsTextAndBytesExact()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.txt"));
    QCOMPARE(writeWholeFile(path, text), 0);
    const QByteArray bytes = readBytes(path);
    QCOMPARE(bytes, codepage::encode(text));
    QCOMPARE(QFileInfo(path).size(), codepage::encode(text).size());
    const ReadResult result = readWholeFile(path);
    QCOMPARE(result.error, 0);
    QCOMPARE(result.text, text);
}

void WholeFileTest::readDecodesBytesExactly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString as = QString(kPiece - 1, QLatin1Char('a'));
    QTest::newRow("lone lead byte at the end") << QByteArray("A\x82") << QStringLiteral(u"A\uFFFD");
    QTest::newRow("NUL bytes") << QByteArray("\0a\0", 3) << QStringLiteral(u"\0a\0");
    QTest::newRow("pair across two reads") << bytesWithPairAt(kPiece - 1, "\x82\xa0" "b")
                                           << as + QStringLiteral(u"あb");
    QTest::newRow("lone lead byte ending the first read") << bytesWithPairAt(kPiece - 1, "\x82")
                                                          << as + QStringLiteral(u"\uFFFD");
    QTest::newRow("bad pair across two reads") << bytesWithPairAt(kPiece - 1, "\x81 ")
                                               << as + QStringLiteral(u"\uFFFD ");
    QTest::newRow("Windows-only bytes across two reads") << bytesWithPairAt(kPiece - 1, "\xfd\x80")
                                                         << as + QStringLiteral(u"\uF8F1\u0080");
}

void WholeFileTest::readDecodesBytesExactly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bytes.txt"));
    QVERIFY(writeBytes(path, bytes));
    const ReadResult result = readWholeFile(path);
    QCOMPARE(result.error, 0);
    QCOMPARE(result.text, text);
}

void WholeFileTest::emptyFileReadsAsEmptyTextWithoutError()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.txt"));
    QVERIFY(writeBytes(path, QByteArray()));
    const ReadResult result = readWholeFile(path);
    QCOMPARE(result.error, 0);
    QVERIFY(result.text.isEmpty());
}

// Paths are relative to a folder holding "file.txt" and "folder".
void WholeFileTest::readFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("error");
    QTest::newRow("missing file") << QStringLiteral("none.txt") << int(FileNotFound);
    QTest::newRow("missing folder") << QStringLiteral("none/file.txt") << int(FolderNotFound);
    QTest::newRow("path under a file") << QStringLiteral("file.txt/file.txt") << int(FolderNotFound);
    QTest::newRow("directory") << QStringLiteral("folder") << int(IsDirectory);
    QTest::newRow("name too long") << QString(300, QLatin1Char('n')) << int(NameTooLong);
    QTest::newRow("empty path") << QString() << int(InvalidName);
    QTest::newRow("NUL ending the name of a file that exists") << QStringLiteral(u"file.txt\0.bak")
                                                              << int(InvalidName);
}

void WholeFileTest::readFailures()
{
    QFETCH(QString, name);
    QFETCH(int, error);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("file.txt")), "contents"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const ReadResult result = readWholeFile(name.isEmpty() ? name : dir.filePath(name));
    QCOMPARE(result.error, error);
    QVERIFY(result.text.isEmpty());
}

void WholeFileTest::fileAboveLimitIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.txt"));
    QFile huge(path);
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(wholefile::kMaxReadBytes + 1)); // sparse: no disk taken
    huge.close();
    const ReadResult result = readWholeFile(path);
    QCOMPARE(result.error, int(FileTooLarge));
    QVERIFY(result.text.isEmpty());
}

void WholeFileTest::writeFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("error");
    QTest::newRow("missing folder") << QStringLiteral("none/out.txt") << int(FolderNotFound);
    QTest::newRow("path under a file") << QStringLiteral("file.txt/out.txt") << int(FolderNotFound);
    QTest::newRow("directory") << QStringLiteral("folder") << int(IsDirectory);
    QTest::newRow("name too long") << QString(300, QLatin1Char('n')) << int(NameTooLong);
    QTest::newRow("empty path") << QString() << int(InvalidName);
    QTest::newRow("NUL ending the name of a file that exists") << QStringLiteral(u"file.txt\0.bak")
                                                              << int(InvalidName);
}

void WholeFileTest::writeFailures()
{
    QFETCH(QString, name);
    QFETCH(int, error);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("file.txt")), "contents"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QStringList before = namesIn(dir.path());
    QCOMPARE(writeWholeFile(name.isEmpty() ? name : dir.filePath(name), u"新しい内容"), error);
    QCOMPARE(namesIn(dir.path()), before);
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("file.txt"))), QByteArray("contents"));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
}

void WholeFileTest::writeEmptyTextEmptiesFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(writeBytes(path, "old contents"));
    QCOMPARE(writeWholeFile(path, QString()), 0);
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(readBytes(path), QByteArray());
}

void WholeFileTest::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<qint64>("budget");
    QTest::newRow("disk full at once") << qint64(0);
    QTest::newRow("after one byte") << qint64(1);
    QTest::newRow("inside the first piece") << qint64(4095);
    QTest::newRow("after the first piece") << qint64(kPiece + 1);
}

void WholeFileTest::failedWriteKeepsOldFile()
{
    QFETCH(qint64, budget);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("target.txt"));
    const QByteArray old = "old contents\r\n";
    QVERIFY(writeBytes(path, old));
    testing::failWritesAfter(budget);
    QCOMPARE(writeWholeFile(path, longJapaneseText()), int(DiskFull));
    QCOMPARE(readBytes(path), old);
    QCOMPARE(namesIn(dir.path()), QStringList{QStringLiteral("target.txt")});
}

void WholeFileTest::failedWriteOfNewFileLeavesNothing()
{
    QTemporaryDir dir;
    testing::failWritesAfter(10);
    QCOMPARE(writeWholeFile(dir.filePath(QStringLiteral("new.txt")), longJapaneseText()), int(DiskFull));
    QCOMPARE(namesIn(dir.path()), QStringList());
}

void WholeFileTest::seamCountsBytesAcrossOperations()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    testing::failWritesAfter(5);
    QCOMPARE(writeWholeFile(path, u"abc"), 0);
    QCOMPARE(appendWholeFile(path, u"de"), 0);
    QCOMPARE(appendWholeFile(path, u"f"), int(DiskFull));
    QCOMPARE(readBytes(path), QByteArray("abcde"));
    testing::failWritesAfter(-1);
    QCOMPARE(appendWholeFile(path, u"f"), 0);
    QCOMPARE(readBytes(path), QByteArray("abcdef"));
}

void WholeFileTest::append_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing file is created") << false << QByteArray() << QStringLiteral(u"追加\r\n");
    QTest::newRow("empty text creates an empty file") << false << QByteArray() << QString();
    QTest::newRow("right after the last byte") << true << QByteArray("abc") << QStringLiteral(u"日本\r\n");
    QTest::newRow("after a line end") << true << QByteArray("line\r\n") << QStringLiteral(u"次の行");
    QTest::newRow("after a lone lead byte") << true << QByteArray("\x82") << QStringLiteral(u"あ");
    QTest::newRow("empty text changes nothing") << true << QByteArray("abc") << QString();
    QTest::newRow("longer than several pieces") << true << QByteArray("x") << longJapaneseText();
}

void WholeFileTest::append()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, old);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("collection.txt"));
    if (exists)
        QVERIFY(writeBytes(path, old));
    QCOMPARE(appendWholeFile(path, text), 0);
    QCOMPARE(readBytes(path), old + codepage::encode(text));
    QCOMPARE(namesIn(dir.path()), QStringList{QStringLiteral("collection.txt")});
}

void WholeFileTest::appendFailures_data()
{
    writeFailures_data();
}

void WholeFileTest::appendFailures()
{
    QFETCH(QString, name);
    QFETCH(int, error);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("file.txt")), "contents"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QStringList before = namesIn(dir.path());
    QCOMPARE(appendWholeFile(name.isEmpty() ? name : dir.filePath(name), u"追加"), error);
    QCOMPARE(namesIn(dir.path()), before);
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("file.txt"))), QByteArray("contents"));
}

void WholeFileTest::failedAppendCutsBack_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<qint64>("budget");
    QTest::newRow("disk full at once") << true << qint64(0);
    QTest::newRow("after one byte, splitting a character") << true << qint64(1);
    QTest::newRow("after the first piece") << true << qint64(kPiece + 1);
    QTest::newRow("created file is removed") << false << qint64(7);
}

void WholeFileTest::failedAppendCutsBack()
{
    QFETCH(bool, exists);
    QFETCH(qint64, budget);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("collection.txt"));
    const QByteArray old = "old contents\r\n";
    if (exists)
        QVERIFY(writeBytes(path, old));
    testing::failWritesAfter(budget);
    QCOMPARE(appendWholeFile(path, longJapaneseText()), int(DiskFull));
    QCOMPARE(readBytes(path), exists ? old : QByteArray("<missing>"));
    QCOMPARE(namesIn(dir.path()), exists ? QStringList{QStringLiteral("collection.txt")} : QStringList());
}

QTEST_GUILESS_MAIN(WholeFileTest)
#include "wholefile_test.moc"
