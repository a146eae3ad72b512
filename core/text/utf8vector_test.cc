// The UTF-8 check against Qt's, on every pair of first bytes followed by
// bytes of each class, placed across the vector check's sixteen-byte blocks
// and cut off at the end; the encoding probe, fed in two pieces that split
// the sequence, decides the same.

#include <QTest>
#include <QUtf8StringView>

#include "core/text/encoding.h"
#include "core/text/utf8vector.h"

using namespace yomika;

class Utf8VectorTest : public QObject {
    Q_OBJECT

private slots:
    void agreesWithQt()
    {
        // Bytes of each class: ASCII, the edges of the continuation ranges
        // that differ after E0, ED, F0 and F4, and lead bytes.
        const unsigned char third[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC2, 0xE3, 0xF4};
        const unsigned char fourth[] = {0x41, 0x80, 0xC0};
        int disagreements = 0;
        for (int first = 0; first < 256; ++first) {
            for (int second = 0; second < 256; ++second) {
                for (const unsigned char c : third) {
                    // Thirteen ASCII bytes first: the sequence crosses into the next block.
                    QByteArray bytes = QByteArray(13, 'a') + char(first) + char(second) + char(c);
                    for (const QByteArray& text : {bytes, bytes + char(fourth[c % 3]) + QByteArray(15, 'a')}) {
                        const bool expected = QUtf8StringView(text).isValidUtf8();
                        EncodingProbe probe;
                        probe.add(text.constData(), 14);
                        probe.add(text.constData() + 14, std::size_t(text.size() - 14));
                        const bool probed = probe.encoding() == TextEncoding::Utf8;
                        // Without the vector path only the probe is judged.
                        const bool vector = !utf8vector::available()
                            ? expected
                            : utf8vector::check(reinterpret_cast<const unsigned char*>(text.constData()), std::size_t(text.size()));
                        if ((probed != expected || vector != expected) && ++disagreements <= 5)
                            qWarning("%s: Qt %d, probe %d, vector %d", text.mid(13).toHex(' ').constData(), expected, probed, vector);
                    }
                }
            }
        }
        QCOMPARE(disagreements, 0);
    }
};

QTEST_GUILESS_MAIN(Utf8VectorTest)
#include "utf8vector_test.moc"
