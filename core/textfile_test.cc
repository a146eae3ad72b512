// Reading the user's text files and making sense of dropped data.

#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include "core/codepage.h"
#include "core/textfile.h"

using namespace yomika;

class TextFileTest : public QObject {
    Q_OBJECT

private slots:
    // UTF-8 where the bytes start with its byte-order mark (dropped) or are
    // strict UTF-8 holding a multi-byte character, whether a fault stands
    // before or after the part checked first; the code page otherwise.
    void readTextFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        for (const auto& [hex, utf8] : std::initializer_list<std::pair<const char*, const char16_t*>>{
                 {"efbbbf", u""}, {"efbbbf41ff", u"A\uFFFD"}, {"efbbbfefbbbf41", u"\uFEFFA"}, {"e697a5efbfbd", u"日\uFFFD"},
                 {"c280f09f9880f48fbfbf", u"\u0080\U0001F600\U0010FFFF"}, {"f4908080", nullptr}, {"c0af", nullptr},
                 {"eda080", nullptr}, {"41e381", nullptr}, {"93fa967b", nullptr}, {"5c0d0a", nullptr}})
            QTest::newRow(hex) << QByteArray::fromHex(hex) << (utf8 ? QStringView(utf8).toString() : codepage::decode(QByteArray::fromHex(hex)));
        for (qsizetype at : {65535, 65536, 65537, 300000}) {
            const QByteArray utf8 = QByteArray(at % 3, 'a') + QByteArray("\xE3\x81\x82").repeated(at / 3);
            QTest::addRow("UTF-8, fault at %lld", qlonglong(at)) << utf8 + "\x93\xfa" << codepage::decode(utf8 + "\x93\xfa");
            QTest::addRow("UTF-8 to %lld", qlonglong(at)) << utf8 << QString::fromUtf8(utf8);
        }
    }

    void readTextFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        QFile file(dir.filePath("名前 空白.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QCOMPARE(yomika::readTextFile(file.fileName()).text, text);
        QCOMPARE(yomika::readTextFile(dir.filePath("none/a.txt")).error, FolderNotFound);
    }

    // Text comes first, unless it only names files the drop also lists, as
    // file managers offer them (the window's tests drop those): text naming
    // another file stays text; web links and comments are no files.
    void dropOfTextBesideFiles()
    {
        QMimeData data;
        data.setData("text/uri-list", "# comment\r\nhttps://example.org/\r\nfile:///tmp/a%20b.txt\r\n");
        data.setData("text/plain", "/tmp/a b.txt\n/tmp/x");
        QCOMPARE(interpretDrop(data).text, "/tmp/a b.txt\n/tmp/x");
        data.setData("text/plain", "file:///tmp/a b.txt\n");
        QCOMPARE(interpretDrop(data).paths, QStringList{"/tmp/a b.txt"});
    }
};

QTEST_GUILESS_MAIN(TextFileTest)
#include "textfile_test.moc"
