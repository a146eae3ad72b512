#include <QTest>

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
    QTest::addColumn<QByteArray>("text"); // read as UTF-8
    QTest::addColumn<int>("bound");       // the piece bound in bytes of UTF-8
    QTest::addColumn<QString>("pieces");  // "⏎" ends a line's last piece, "|" any other
    const auto row = [](const char* name, const QString& text, int bound, const QString& pieces) {
        QTest::newRow(name) << text.toUtf8() << bound << pieces;
    };
    row("line ends", u"一\r\n二\n三\r四"_qs, 99, u"一⏎二⏎三⏎四⏎"_qs);
    row("empty lines", u"\r\n\r\r\r\n\n\n"_qs, 99, u"⏎⏎⏎⏎⏎⏎"_qs);
    row("empty", QString(), 99, QString());
    row("never inside a character", u"あいうえお"_qs, 8, u"あい|うえ|お⏎"_qs);
    row("after the blank nearest the bound", u"a b c d efgh"_qs, 8, u"a b c d |efgh⏎"_qs);
    row("after 。 and the ideographic space", u"あ。い　う"_qs, 8, u"あ。|い　|う⏎"_qs);
    row("a line of just the bound", u"abcdefgh\nij"_qs, 8, u"abcdefgh⏎ij⏎"_qs);
    row("a blank past the bound", u"abcdefgh i"_qs, 8, u"abcdefgh| i⏎"_qs);
    row("only the first byte-order mark goes", u"\uFEFF一\n\uFEFF𠮟"_qs, 99, u"一⏎\uFEFF𠮟⏎"_qs);
    // Each broken sequence, however far it got, is one U+FFFD.
    QTest::newRow("broken UTF-8") << QByteArray("a\xE6\x97\n\xFF\xE6\x97\xA5\xED\xA0\x80\xF0\x9F\x98") << 99
                                  << u"a\uFFFD⏎\uFFFD日\uFFFD\uFFFD\uFFFD\uFFFD⏎"_qs;
}

void LineReaderTest::reads()
{
    QFETCH(QByteArray, text);
    QFETCH(int, bound);
    QFETCH(QString, pieces);
    // Reads of one byte split every character; of three bytes, some.
    for (int step : {1, 3, 4096}) {
        Source source(text, step);
        kotoka::LineReader reader(source, kotoka::decodeUtf8, std::size_t(bound), std::size_t(step));
        QByteArray result; // as bytes: QString::fromUtf8 would drop a leading U+FEFF
        std::string_view piece;
        bool endsLine = false;
        std::string error;
        while (reader.next(piece, endsLine, error) == kotoka::LineReader::Status::Piece)
            result += QByteArray(piece.data(), qsizetype(piece.size())) + (endsLine ? "⏎" : "|");
        QCOMPARE(result, pieces.toUtf8());
    }
}

QTEST_GUILESS_MAIN(LineReaderTest)
#include "linereader_test.moc"
