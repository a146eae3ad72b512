#include <QTest>

#include <algorithm>

#include "kotoka/codec.h"
#include "kotoka/linereader.h"

using kotoka::LineReader;

namespace {

// Hands out the bytes in reads of at most `step` bytes, and fails once
// `failAt` bytes have been handed out.
class StringSource final : public kotoka::ByteSource {
public:
    StringSource(std::string bytes, std::size_t step, std::size_t failAt = std::string::npos)
        : m_bytes(std::move(bytes)), m_step(step), m_failAt(failAt) {}

    long read(char* buffer, std::size_t size, std::string& error) override
    {
        if (m_position >= m_failAt) {
            error = "device fault";
            return -1;
        }
        const std::size_t count = std::min({size, m_step, m_bytes.size() - m_position});
        std::copy_n(m_bytes.data() + m_position, count, buffer);
        m_position += count;
        return static_cast<long>(count);
    }

private:
    std::string m_bytes;
    std::size_t m_step;
    std::size_t m_failAt;
    std::size_t m_position = 0;
};

// UTF-8 in, UTF-8 out: lets the cases below be written as plain text.
std::size_t passThrough(std::string_view bytes, std::string& out, bool final)
{
    std::size_t end = bytes.size();
    if (!final) {
        std::size_t start = end;
        while (start > 0 && (static_cast<unsigned char>(bytes[start - 1]) & 0xC0) == 0x80)
            --start;
        if (start > 0 && static_cast<unsigned char>(bytes[start - 1]) >= 0xC0) {
            const unsigned char lead = static_cast<unsigned char>(bytes[start - 1]);
            const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (end - (start - 1) < length)
                end = start - 1;
        }
    }
    out.append(bytes.substr(0, end));
    return end;
}

// Every piece, with "⏎" after the last piece of each line and "|" after
// the others.
QString readAll(kotoka::ByteSource& source, kotoka::Decoder decoder, std::size_t bound, std::size_t chunk,
                std::size_t* longest = nullptr)
{
    LineReader reader(source, decoder, bound, chunk);
    QString result;
    std::string error;
    for (;;) {
        std::string_view piece;
        bool endsLine = false;
        const auto status = reader.next(piece, endsLine, error);
        if (status == LineReader::Status::End)
            return result;
        if (status == LineReader::Status::Error)
            return result + u"<error: "_qs + QString::fromStdString(error) + u">"_qs;
        if (longest)
            *longest = std::max(*longest, piece.size());
        result += QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size()));
        result += endsLine ? u"⏎"_qs : u"|"_qs;
    }
}

} // namespace

class LineReaderTest : public QObject {
    Q_OBJECT

private slots:
    void splitsLines_data();
    void splitsLines();
    void longLineComesOutWhole();
    void decodesWindows932AcrossReads();
    void reportsReadErrors();
};

void LineReaderTest::splitsLines_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("bound");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QString>("expected");

    const int big = 1 << 20;
    for (int chunk : {1, 2, 3, 4096}) {
        const QByteArray c = QByteArray::number(chunk);
        QTest::newRow("empty input, chunk " + c) << QString() << big << chunk << QString();
        QTest::newRow("no line end, chunk " + c) << u"東京"_qs << big << chunk << u"東京⏎"_qs;
        QTest::newRow("LF at the end starts no line, chunk " + c) << u"a\n"_qs << big << chunk << u"a⏎"_qs;
        QTest::newRow("CR LF, chunk " + c) << u"a\r\nb\r\n"_qs << big << chunk << u"a⏎b⏎"_qs;
        QTest::newRow("lone CR, chunk " + c) << u"a\rb\r"_qs << big << chunk << u"a⏎b⏎"_qs;
        QTest::newRow("LF CR is two line ends, chunk " + c) << u"a\n\rb"_qs << big << chunk << u"a⏎⏎b⏎"_qs;
        QTest::newRow("empty lines kept, chunk " + c) << u"\r\n\r\n\n\r"_qs << big << chunk << u"⏎⏎⏎⏎"_qs;
        QTest::newRow("mixed, chunk " + c) << u"一\r\n二\n三\r四"_qs << big << chunk << u"一⏎二⏎三⏎四⏎"_qs;
        QTest::newRow("CR CR LF, chunk " + c) << u"a\r\r\nb"_qs << big << chunk << u"a⏎⏎b⏎"_qs;
    }
    // Cutting long lines: after the break nearest the bound, else at the
    // last character boundary within it.
    QTest::newRow("cut after a blank") << u"aaaa bbbbbbb"_qs << 8 << 4096 << u"aaaa |bbbbbbb⏎"_qs;
    QTest::newRow("cut after the nearest blank") << u"a b c d efgh"_qs << 8 << 4096 << u"a b c d |efgh⏎"_qs;
    QTest::newRow("cut after 。") << u"あ。いう"_qs << 8 << 4096 << u"あ。|いう⏎"_qs;
    QTest::newRow("cut after ideographic space") << u"あ　いう"_qs << 8 << 4096 << u"あ　|いう⏎"_qs;
    QTest::newRow("cut after ？ and ！") << u"x？yy！zzzzzzzzzzzz"_qs << 8 << 4096 << u"x？|yy！|zzzzzzzz|zzzz⏎"_qs;
    QTest::newRow("no break: cut at the bound") << u"abcdefghijk"_qs << 8 << 4096 << u"abcdefgh|ijk⏎"_qs;
    QTest::newRow("no break: never inside a character") << u"あいうえお"_qs << 8 << 4096 << u"あい|うえ|お⏎"_qs;
    QTest::newRow("no break, read byte by byte") << u"あいうえお"_qs << 8 << 1 << u"あい|うえ|お⏎"_qs;
    QTest::newRow("a line of exactly the bound is not cut") << u"abcdefgh\nij"_qs << 8 << 4096 << u"abcdefgh⏎ij⏎"_qs;
    QTest::newRow("line end right after the cut") << u"abcdefghi\nj"_qs << 8 << 4096 << u"abcdefgh|i⏎j⏎"_qs;
    QTest::newRow("break at the very bound") << u"abcdefg bc"_qs << 8 << 4096 << u"abcdefg |bc⏎"_qs;
    QTest::newRow("blank just past the bound does not count") << u"abcdefgh i"_qs << 8 << 4096 << u"abcdefgh| i⏎"_qs;
}

void LineReaderTest::splitsLines()
{
    QFETCH(QString, input);
    QFETCH(int, bound);
    QFETCH(int, chunk);
    QFETCH(QString, expected);
    StringSource source(input.toStdString(), static_cast<std::size_t>(chunk));
    QCOMPARE(readAll(source, passThrough, static_cast<std::size_t>(bound), static_cast<std::size_t>(chunk)), expected);
}

void LineReaderTest::longLineComesOutWhole()
{
    // Lines far longer than the bound, with and without breaks, read in
    // reads of odd sizes: every piece keeps within the bound and the pieces
    // of each line join to the line.
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += i % 7 == 0 ? "吾輩は猫である。" : "名前はまだ無い";
    text += "\r\n";
    for (int i = 0; i < 20000; ++i)
        text += "あ";
    text += "\nlast";

    for (std::size_t step : {std::size_t(1), std::size_t(7), std::size_t(65536)}) {
        StringSource source(text, step);
        std::size_t longest = 0;
        const QString result = readAll(source, passThrough, 1000, 4096, &longest);
        QVERIFY(longest <= 1000);
        const QStringList lines = result.split(u'⏎');
        QCOMPARE(lines.size(), 4); // three lines and the empty text after the last mark
        QString expected = QString::fromStdString(text);
        expected.replace(u"\r\n"_qs, u"\n"_qs);
        QCOMPARE(QString(result).remove(u'|').replace(u'⏎', u'\n'), expected + u"\n"_qs);
        QVERIFY(lines[0].count(u'|') >= 64); // 64287 bytes in pieces of at most 1000
    }
}

void LineReaderTest::decodesWindows932AcrossReads()
{
    // 東京, CR LF, ｶﾞ, then a lead byte with nothing after it. A read
    // boundary inside a two-byte character must not break it.
    const std::string bytes = "\x93\x8C\x8B\x9E\r\n\xB6\xDE\n\x93";
    for (std::size_t step : {std::size_t(1), std::size_t(3), std::size_t(64)}) {
        StringSource source(bytes, step);
        QCOMPARE(readAll(source, kotoka::decodeInput, 1 << 20, 16), u"東京⏎ｶﾞ⏎\uFFFD⏎"_qs);
    }
}

void LineReaderTest::reportsReadErrors()
{
    StringSource source("line one\nline two\n", 4, 12);
    QCOMPARE(readAll(source, passThrough, 1 << 20, 4), u"line one⏎<error: device fault>"_qs);
}

QTEST_GUILESS_MAIN(LineReaderTest)
#include "linereader_test.moc"
