// Reading the user's text files and making sense of dropped data.

#include <QDir>
#include <QFile>
#include <QMimeData>

#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include "core/codepage.h"
#include "core/errornumber.h"
#include "core/textfile.h"
#include "tests/support/prose.h"

using namespace yomika;

Q_DECLARE_METATYPE(yomika::TextEncoding)
Q_DECLARE_METATYPE(yomika::DroppedData::Kind)

namespace {

// "日本語のテキスト。" and a CR LF in Windows-932, written out by hand so the
// test does not lean on the encoder it compares with.
const QByteArray japaneseCp932 = QByteArray::fromHex("93fa967b8cea82cc8365834c8358836781420d0a");
const QString japaneseText = QStringLiteral("日本語のテキスト。\r\n");

QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

} // namespace

class TextFileTest : public QObject {
    Q_OBJECT

private slots:
    void encodingIsDetectedFromTheBytes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<TextEncoding>("expected");
        const auto utf8 = TextEncoding::Utf8;
        const auto cp = TextEncoding::CodePage;
        QTest::newRow("empty") << QByteArray() << cp;
        QTest::newRow("ASCII only") << QByteArray("plain text\r\n") << cp;
        QTest::newRow("byte-order mark alone") << bytes("efbbbf") << utf8;
        QTest::newRow("mark before ASCII") << bytes("efbbbf41") << utf8;
        QTest::newRow("mark before bad bytes") << bytes("efbbbf41ff") << utf8;
        QTest::newRow("Japanese in UTF-8") << japaneseText.toUtf8() << utf8;
        QTest::newRow("Japanese in Windows-932") << japaneseCp932 << cp;
        QTest::newRow("U+0080") << bytes("c280") << utf8;
        QTest::newRow("U+FFFF") << bytes("efbfbf") << utf8;
        QTest::newRow("emoji outside the BMP") << bytes("f09f9880") << utf8;
        QTest::newRow("U+10FFFF") << bytes("f48fbfbf") << utf8;
        QTest::newRow("above U+10FFFF") << bytes("f4908080") << cp;
        QTest::newRow("F5 lead") << bytes("f5808080") << cp;
        QTest::newRow("overlong two bytes") << bytes("c0af") << cp;
        QTest::newRow("overlong C1") << bytes("c1bf") << cp;
        QTest::newRow("overlong three bytes") << bytes("e080af") << cp;
        QTest::newRow("overlong four bytes") << bytes("f0808080") << cp;
        QTest::newRow("surrogate") << bytes("eda080") << cp;
        QTest::newRow("cut off at the end") << bytes("41e381") << cp;
        QTest::newRow("lone continuation byte") << bytes("4180") << cp;
        QTest::newRow("lead without continuation") << bytes("e34141") << cp;
        QTest::newRow("valid, then one bad byte") << (japaneseText.toUtf8() + bytes("ff")) << cp;
        QTest::newRow("half-width katakana in Windows-932") << bytes("b1b2b3") << cp;
    }
    void encodingIsDetectedFromTheBytes()
    {
        QFETCH(QByteArray, data);
        QFETCH(TextEncoding, expected);
        QCOMPARE(detectTextEncoding(data), expected);
        // Decoding follows the same rule.
        QString decoded;
        if (expected == TextEncoding::CodePage) {
            decoded = codepage::decode(data);
        } else {
            const QByteArray body = data.startsWith("\xEF\xBB\xBF") ? data.mid(3) : data;
            QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                              QStringConverter::Flag::ConvertInitialBom);
            decoded = strict.decode(body);
        }
        QCOMPARE(decodeTextFile(data), decoded);
    }

    void aFaultFarIntoTheFileIsFound_data()
    {
        QTest::addColumn<qsizetype>("at");
        // Before, at and after the end of the part checked before decoding.
        for (qsizetype at : {qsizetype(100), qsizetype(65535), qsizetype(65536), qsizetype(65537),
                             qsizetype(300000)})
            QTest::addRow("%lld", qlonglong(at)) << at;
    }
    void aFaultFarIntoTheFileIsFound()
    {
        QFETCH(qsizetype, at);
        // UTF-8 Japanese up to `at`, then one Windows-932 character.
        QByteArray data;
        while (data.size() < at)
            data += QByteArray("\xE3\x81\x82"); // あ
        data.truncate(at - at % 3);
        QByteArray faulty = data + japaneseCp932;
        QCOMPARE(detectTextEncoding(faulty), TextEncoding::CodePage);
        QCOMPARE(decodeTextFile(faulty), codepage::decode(faulty));
        QCOMPARE(detectTextEncoding(data + japaneseText.toUtf8()), TextEncoding::Utf8);
        QCOMPARE(decodeTextFile(data + japaneseText.toUtf8()),
                 QString::fromUtf8(data) + japaneseText);
    }

    void theSameTextReadsTheSameInBothEncodings_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");
        QTest::newRow("UTF-8") << japaneseText.toUtf8() << japaneseText;
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF" + japaneseText.toUtf8())
                                         << japaneseText;
        QTest::newRow("Windows-932") << japaneseCp932 << japaneseText;
        QTest::newRow("ASCII, line ends kept") << QByteArray("a\r\nb\nc\rd") << "a\r\nb\nc\rd";
        // Only the first mark is dropped; a second one is text.
        QTest::newRow("a replacement character of its own") << bytes("e697a5efbfbd")
                                                            << QStringLiteral("日\uFFFD");
        QTest::newRow("two marks") << bytes("efbbbfefbbbf41") << QStringLiteral("\uFEFFA");
        // A backslash in a file of ASCII only is read in the code page, where
        // 0x5C is the backslash too.
        QTest::newRow("mark, then a cut-off sequence") << bytes("efbbbf41e381")
                                                       << QStringLiteral("A\uFFFD\uFFFD");
        QTest::newRow("backslash") << QByteArray("C:\\tmp") << "C:\\tmp";
    }
    void theSameTextReadsTheSameInBothEncodings()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, expected);
        QCOMPARE(decodeTextFile(data), expected);
    }

    void realProseInBothEncodings()
    {
        const QString prose = yomika::testsupport::manualPageProse(20000, u"\r\n");
        if (prose.isEmpty())
            QSKIP("manpages-ja is not installed");
        QCOMPARE(decodeTextFile(prose.toUtf8()), prose);
        const QByteArray cp932 = codepage::encode(prose);
        QCOMPARE(detectTextEncoding(cp932), TextEncoding::CodePage);
        QCOMPARE(decodeTextFile(cp932), codepage::decode(cp932));
        QVERIFY(!decodeTextFile(cp932).contains(QChar::ReplacementCharacter));
    }

    void filesAreReadWhole_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("UTF-8") << japaneseText.toUtf8() << japaneseText;
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF" + japaneseText.toUtf8())
                                         << japaneseText;
        QTest::newRow("Windows-932") << japaneseCp932 << japaneseText;
        QTest::newRow("ASCII") << QByteArray("abc\r\n") << "abc\r\n";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void filesAreReadWhole()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("名前に 空白.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const ReadResult read = readTextFile(path);
        QCOMPARE(read.error, int(NoError));
        QCOMPARE(read.text, expected);
    }

    void unreadableFilesGiveTheErrorNumber()
    {
        QTemporaryDir dir;
        ReadResult read = readTextFile(dir.filePath(QStringLiteral("missing.txt")));
        QCOMPARE(read.error, int(FileNotFound));
        QVERIFY(read.text.isEmpty());
        read = readTextFile(dir.path());
        QCOMPARE(read.error, int(IsDirectory));
        QVERIFY(read.text.isEmpty());
        read = readTextFile(dir.filePath(QStringLiteral("none/a.txt")));
        QCOMPARE(read.error, int(FolderNotFound));
        QCOMPARE(readWholeBytes(dir.path()).error, int(IsDirectory));
        QVERIFY(readWholeBytes(dir.path()).bytes.isEmpty());
    }

    void bytesAreReadExactly_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray every;
        for (int i = 0; i < 256; ++i)
            every.append(char(i));
        // Larger than one read, and not a multiple of it.
        QByteArray large(700001, '\0');
        for (qsizetype i = 0; i < large.size(); ++i)
            large[i] = char((i * 7) % 251);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("every byte value") << every;
        QTest::newRow("several reads") << large;
    }
    void bytesAreReadExactly()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bytes.bin"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        file.close();
        const BytesResult read = readWholeBytes(path);
        QCOMPARE(read.error, int(NoError));
        QCOMPARE(read.bytes, content);
    }

    void dropsAreInterpreted_data()
    {
        QTest::addColumn<QByteArray>("plain");     // text/plain, or null for none
        QTest::addColumn<QByteArray>("uriList");   // text/uri-list, or null for none
        QTest::addColumn<DroppedData::Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("paths");
        using K = DroppedData::Kind;
        const QByteArray none;
        const QByteArray twoUris = "file:///tmp/a%20b.txt\r\nfile:///tmp/%E6%97%A5%E6%9C%AC.txt\r\n";
        const QStringList twoPaths{"/tmp/a b.txt", "/tmp/日本.txt"};

        QTest::newRow("text") << QByteArray("日本語\r\nです") << none << K::Text
                              << "日本語\r\nです" << QStringList();
        QTest::newRow("file list") << none << twoUris << K::Files << "" << twoPaths;
        QTest::newRow("list with a comment line")
            << none << QByteArray("# dragged\r\n" + twoUris) << K::Files << "" << twoPaths;
        QTest::newRow("text naming the files by path")
            << QByteArray("/tmp/a b.txt\n/tmp/日本.txt\n") << twoUris << K::Files << "" << twoPaths;
        QTest::newRow("text naming the files by URI") << twoUris << twoUris << K::Files << ""
                                                      << twoPaths;
        QTest::newRow("text naming the files by unencoded URI")
            << QByteArray("file:///tmp/a b.txt\r\nfile:///tmp/日本.txt") << twoUris << K::Files << ""
            << twoPaths;
        QTest::newRow("text naming one of the files")
            << QByteArray("/tmp/a b.txt") << twoUris << K::Files << "" << twoPaths;
        QTest::newRow("empty text beside files") << QByteArray("") << twoUris << K::Files << ""
                                                 << twoPaths;
        QTest::newRow("text naming another file")
            << QByteArray("/tmp/a b.txt\n/tmp/other.txt") << twoUris << K::Text
            << "/tmp/a b.txt\n/tmp/other.txt" << QStringList();
        QTest::newRow("other text beside files") << QByteArray("hello") << twoUris << K::Text
                                                 << "hello" << QStringList();
        QTest::newRow("empty text alone") << QByteArray("") << none << K::Text << ""
                                          << QStringList();
        QTest::newRow("web link with its text")
            << QByteArray("https://example.org/a") << QByteArray("https://example.org/a\r\n")
            << K::Text << "https://example.org/a" << QStringList();
        QTest::newRow("web link alone") << none << QByteArray("https://example.org/a\r\n")
                                        << K::Nothing << "" << QStringList();
        QTest::newRow("web link beside a file")
            << none << QByteArray("https://example.org/a\r\nfile:///tmp/x\r\n") << K::Files << ""
            << QStringList{"/tmp/x"};
        QTest::newRow("neither") << none << none << K::Nothing << "" << QStringList();
    }
    void dropsAreInterpreted()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, uriList);
        QFETCH(DroppedData::Kind, kind);
        QFETCH(QString, text);
        QFETCH(QStringList, paths);
        // Set as other programs deliver them: raw bytes under the MIME types.
        QMimeData data;
        if (!plain.isNull())
            data.setData(QStringLiteral("text/plain"), plain);
        if (!uriList.isNull())
            data.setData(QStringLiteral("text/uri-list"), uriList);
        data.setData(QStringLiteral("image/png"), QByteArray("\x89PNG"));
        const DroppedData dropped = interpretDrop(data);
        QCOMPARE(dropped.kind, kind);
        QCOMPARE(dropped.text, text);
        QCOMPARE(dropped.paths, paths);
    }

    void textWithACharsetIsText()
    {
        QMimeData data;
        data.setData(QStringLiteral("text/plain;charset=utf-8"), QByteArray("かな"));
        const DroppedData dropped = interpretDrop(data);
        QCOMPARE(dropped.kind, DroppedData::Kind::Text);
        QCOMPARE(dropped.text, QStringLiteral("かな"));
    }

    void directoryMessageNamesThePath()
    {
        QCOMPARE(directoryMessage(QStringLiteral("/home/u/新しい フォルダ")),
                 QStringLiteral("/home/u/新しい フォルダ\r\nはディレクトリです"));
    }
};

QTEST_GUILESS_MAIN(TextFileTest)
#include "textfile_test.moc"
