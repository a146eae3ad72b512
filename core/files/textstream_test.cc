// Reading files through in the encoding their bytes show.

#include <QTemporaryDir>
#include <QTest>

#include "core/files/textcodec.h"
#include "core/files/textstream.h"
#include "core/files/wholefile.h"

using namespace yomika;

class TextStreamTest : public QObject {
    Q_OBJECT

private slots:
    // A file read by what all its bytes are: a byte-order mark (dropped),
    // well-formed UTF-8 throughout, or else Windows-932, even when the fault
    // comes after a megabyte of good UTF-8.
    void readDecidesTheEncoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        for (const auto& [hex, utf8] : std::initializer_list<std::pair<const char*, const char16_t*>>{
                 {"efbbbf", u""}, {"efbbbf41ff", u"A\uFFFD"}, {"efbbbfefbbbf41", u"\uFEFFA"}, {"e697a5efbfbd", u"日\uFFFD"},
                 {"c280f09f9880f48fbfbf", u"\u0080\U0001F600\U0010FFFF"}, {"5c7e0d0a", u"\\~\r\n"},
                 {"fffe41000d000a003dd800de00", u"A\r\n\U0001F600\uFFFD"}, {"feff0041d842df9f", u"A\U00020B9F"},
                 {"f4908080", nullptr}, {"c0af", nullptr}, {"eda080", nullptr}, {"41e381", nullptr}, {"93fa967b", nullptr}})
            QTest::newRow(hex) << QByteArray::fromHex(hex) << (utf8 ? QStringView(utf8).toString() : codepage::decode(QByteArray::fromHex(hex)));
        const QByteArray megabyte = "a" + QByteArray("\xE3\x81\x82").repeated((1 << 20) / 3);
        QTest::newRow("UTF-8, a stray byte after a megabyte") << megabyte + "\x93\xfa" << codepage::decode(megabyte + "\x93\xfa");
        QTest::newRow("UTF-8, a megabyte") << megabyte << QString::fromUtf8(megabyte);
        // Beyond what is read whole: read in pieces, which end inside characters.
        const QByteArray large = "a" + QByteArray("\xF0\x9F\x98\x80\xE3\x81\x82\r\n").repeated(600000);
        QTest::newRow("UTF-8, pairs across pieces") << large << QString::fromUtf8(large);
        QTest::newRow("UTF-8 with its mark, in pieces") << "\xEF\xBB\xBF" + large << QString::fromUtf8(large);
        QTest::newRow("UTF-8, in pieces, a stray last byte") << large + "\x93" << codepage::decode(large + "\x93");
        QTest::newRow("UTF-8 with its mark, in pieces, cut at the end")
            << "\xEF\xBB\xBF" + large + "\xE3\x81" << QString::fromUtf8(large) + QString(2, QChar(0xFFFD));
        const QString wide = QString::fromUtf8(large);
        const QByteArray utf16(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2);
        QTest::newRow("UTF-16, in pieces, an odd last byte") << "\xFF\xFE" + utf16 + "A" << wide + QChar(0xFFFD);
    }

    void readDecidesTheEncoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        QFile file(dir.filePath("名前 空白.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QCOMPARE(readWholeFile(file.fileName()).valueOr(QString()), text);
        // Read through without holding it, it tells the same length and head.
        const Result<TextScan> scanned = scanTextFile(file.fileName(), 40001);
        QVERIFY(scanned);
        const TextScan& scan = *scanned;
        QCOMPARE(scan.units, text.size());
        QCOMPARE(scan.head, text.left(40001));
    }
};

QTEST_GUILESS_MAIN(TextStreamTest)
#include "textstream_test.moc"
