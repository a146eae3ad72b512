#include <QTest>

#include "core/codepage.h"
#include "kotoka/codec.h"
#include "kotoka/linereader.h"

namespace {

// Hands the bytes out in reads of at most `step` bytes.
struct Source final : kotoka::ByteSource {
    Source(const QByteArray& bytes, int step) : m_bytes(bytes), m_step(step) {}
    long read(char* buffer, std::size_t size, std::string&) override
    {
        const qsizetype count = qMin(qMin(qsizetype(size), m_step), m_bytes.size());
        std::copy_n(m_bytes.constData(), count, buffer);
        m_bytes.remove(0, count);
        return long(count);
    }
    QByteArray m_bytes;
    qsizetype m_step;
};

} // namespace

class LineReaderTest : public QObject {
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
};

void LineReaderTest::reads_data()
{
    QTest::addColumn<QString>("text"); // written in Windows-932
    QTest::addColumn<int>("bound");    // the piece bound in bytes of UTF-8
    QTest::addColumn<QString>("pieces"); // "⏎" ends a line's last piece, "|" any other
    QTest::newRow("line ends") << u"一\r\n二\n三\r四"_qs << 99 << u"一⏎二⏎三⏎四⏎"_qs;
    QTest::newRow("empty lines") << u"\r\n\r\r\r\n\n\n"_qs << 99 << u"⏎⏎⏎⏎⏎⏎"_qs;
    QTest::newRow("empty") << QString() << 99 << QString();
    QTest::newRow("never inside a character") << u"あいうえお"_qs << 8 << u"あい|うえ|お⏎"_qs;
    QTest::newRow("after the blank nearest the bound") << u"a b c d efgh"_qs << 8 << u"a b c d |efgh⏎"_qs;
    QTest::newRow("after 。 and the ideographic space") << u"あ。い　う"_qs << 8 << u"あ。|い　|う⏎"_qs;
    QTest::newRow("a line of just the bound") << u"abcdefgh\nij"_qs << 8 << u"abcdefgh⏎ij⏎"_qs;
    QTest::newRow("a blank past the bound") << u"abcdefgh i"_qs << 8 << u"abcdefgh| i⏎"_qs;
}

void LineReaderTest::reads()
{
    QFETCH(QString, text);
    QFETCH(int, bound);
    QFETCH(QString, pieces);
    // Reads of one byte split every character; of three bytes, some.
    for (int step : {1, 3, 4096}) {
        Source source(yomika::codepage::encode(text), step);
        kotoka::LineReader reader(source, kotoka::decodeInput, std::size_t(bound), std::size_t(step));
        QString result;
        std::string_view piece;
        bool endsLine = false;
        std::string error;
        while (reader.next(piece, endsLine, error) == kotoka::LineReader::Status::Piece)
            result += QString::fromUtf8(piece.data(), qsizetype(piece.size())) + (endsLine ? u"⏎"_qs : u"|"_qs);
        QCOMPARE(result, pieces);
    }
}

QTEST_GUILESS_MAIN(LineReaderTest)
#include "linereader_test.moc"
