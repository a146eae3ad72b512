#include "core/codepage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTest>

using namespace yomika;

namespace {

QJsonArray loadVectors(const char* name)
{
    QFile file(QStringLiteral(YOMIKA_VECTORS_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot open test vectors %s", name);
    return QJsonDocument::fromJson(file.readAll()).array();
}

QString fromCodePoints(const QList<char32_t>& codePoints)
{
    QString text;
    for (char32_t c : codePoints)
        text.append(QString::fromUcs4(&c, 1));
    return text;
}

QString codePointsOf(const QJsonArray& hex)
{
    QList<char32_t> codePoints;
    for (const QJsonValue& value : hex)
        codePoints.append(value.toString().toUInt(nullptr, 16));
    return fromCodePoints(codePoints);
}

QByteArray bytesOf(const QString& hex)
{
    return QByteArray::fromHex(hex.toLatin1());
}

// Where a character has several codes, Windows encodes it to the first of:
// JIS X 0208 (and the single bytes), NEC row 13 (87xx), the IBM extensions
// (FA40 to FC4B), the NEC-selected IBM extensions (ED40 to EEFC).
int windowsPreference(const QByteArray& code)
{
    if (code.size() == 1)
        return 0;
    const auto lead = static_cast<unsigned char>(code[0]);
    if (lead == 0x87)
        return 2;
    if (lead >= 0xFA && lead <= 0xFC)
        return 3;
    if (lead == 0xED || lead == 0xEE)
        return 4;
    return 1;
}

QByteArray bytesFrom(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(static_cast<char>(value));
    return bytes;
}

std::string decodeStreamed(const QByteArray& bytes, qsizetype pieceSize)
{
    std::string out;
    std::string pending;
    for (qsizetype start = 0; start < bytes.size(); start += pieceSize) {
        pending.append(bytes.constData() + start, std::min(pieceSize, bytes.size() - start));
        const bool final = start + pieceSize >= bytes.size();
        const std::size_t consumed = codepage::decodeToUtf8(pending, out, final);
        pending.erase(0, consumed);
    }
    return out;
}

} // namespace

class CodePageTest : public QObject {
    Q_OBJECT

private slots:
    void decodesVectors_data();
    void decodesVectors();
    void encodesVectors_data();
    void encodesVectors();
    void decodeRecovery_data();
    void decodeRecovery();
    void encodeRecovery_data();
    void encodeRecovery();
    void everyPairDecodesToOneCharacterOrRecovers();
    void everyCharacterEncodesToWindowsChoice();
    void streamedDecodeMatchesWhole_data();
    void streamedDecodeMatchesWhole();
    void nonFinalPieceKeepsTrailingLeadByte_data();
    void nonFinalPieceKeepsTrailingLeadByte();
    void encodeFromUtf8_data();
    void encodeFromUtf8();
    void utf8EntryPointsHandlePiecesLargerThanTheirBuffer();
    void emptyInput();
};

void CodePageTest::decodesVectors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    for (const QJsonValue& row : loadVectors("windows-932-decode.json")) {
        const QJsonObject object = row.toObject();
        const QString hex = object.value(QLatin1String("bytes")).toString();
        QTest::newRow(qPrintable(hex)) << bytesOf(hex)
                                       << codePointsOf(object.value(QLatin1String("code_points")).toArray());
    }
}

void CodePageTest::decodesVectors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(codepage::decode(bytes), text);
    std::string utf8;
    QCOMPARE(codepage::decodeToUtf8(bytes.toStdString(), utf8), std::size_t(bytes.size()));
    QCOMPARE(QString::fromStdString(utf8), text);
}

void CodePageTest::encodesVectors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    for (const QJsonValue& row : loadVectors("windows-932-encode.json")) {
        const QJsonObject object = row.toObject();
        const QString codePoint = object.value(QLatin1String("code_point")).toString();
        QTest::newRow(qPrintable(codePoint))
            << fromCodePoints({codePoint.toUInt(nullptr, 16)})
            << bytesOf(object.value(QLatin1String("bytes")).toString());
    }
}

void CodePageTest::encodesVectors()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(codepage::encode(text), bytes);
    std::string out;
    codepage::encodeFromUtf8(text.toStdString(), out);
    QCOMPARE(QByteArray::fromStdString(out), bytes);
}

void CodePageTest::decodeRecovery_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* name, const char* hex, const QList<char32_t>& codePoints) {
        QTest::newRow(name) << QByteArray::fromHex(hex) << fromCodePoints(codePoints);
    };
    row("CR LF and NUL pass through", "410d0a0042", {0x41, 0x0D, 0x0A, 0x00, 0x42});
    row("Windows-only single bytes", "80a0fdfeff", {0x80, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3});
    row("halfwidth katakana ends", "a1df", {0xFF61, 0xFF9F});
    row("user-defined area ends", "f040f9fc", {0xE000, 0xE757});
    row("lead byte then control byte", "810a41", {0xFFFD, 0x0A, 0x41});
    row("lead byte then DEL", "817f", {0xFFFD, 0x7F});
    row("lead byte then Windows-only byte", "81fd", {0xFFFD, 0xF8F1});
    row("lead byte then halfwidth katakana value", "81a1", {0x25A0}); // A1 is a trail byte
    row("unassigned pair resumes at its trail byte", "8540", {0xFFFD, 0x40});
    row("unassigned pair whose trail byte leads", "858140", {0xFFFD, 0x3000});
    row("two lead bytes pair up", "8181", {0xFF1D});
    row("lone lead byte after a pair", "82a082", {0x3042, 0xFFFD});
    row("lone lead byte after a Windows-only byte", "80e0", {0x80, 0xFFFD});
    row("lead bytes only", "818181", {0xFF1D, 0xFFFD});
    row("text after several bad pairs", "81208120e3", {0xFFFD, 0x20, 0xFFFD, 0x20, 0xFFFD});
}

void CodePageTest::decodeRecovery()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(codepage::decode(bytes), text);
    std::string utf8;
    codepage::decodeToUtf8(bytes.toStdString(), utf8);
    QCOMPARE(QString::fromStdString(utf8), text);
}

void CodePageTest::encodeRecovery_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    const auto row = [](const char* name, const QList<char16_t>& units, const char* hex) {
        QString text;
        for (char16_t unit : units)
            text.append(QChar(unit));
        QTest::newRow(name) << text << QByteArray::fromHex(hex);
    };
    row("CR LF and NUL pass through", {0x41, 0x0D, 0x0A, 0x00}, "410d0a00");
    row("Windows-only characters", {0x80, 0xF8F1, 0xF8F2, 0xF8F3}, "80fdfeff");
    row("surrogate pair then text", {0xD83D, 0xDE00, 0x41}, "3f41");
    row("two surrogate pairs", {0xD83D, 0xDE00, 0xD842, 0xDFB7}, "3f3f");
    row("lone high surrogate", {0xD800, 0x41}, "3f41");
    row("high surrogate at the end", {0x41, 0xD800}, "413f");
    row("lone low surrogate", {0xDC00, 0x3042}, "3f82a0");
    row("replacement character", {0xFFFD}, "3f");
    row("byte-order mark is a character", {0xFEFF, 0x41}, "3f41");
    row("no best fit for accented letters", {0xE9}, "3f");
    row("wave dash", {0x301C}, "8160");
    row("minus sign", {0x2212}, "817c");
    row("em dash", {0x2014}, "815c");
    row("double vertical line", {0x2016}, "8161");
    row("yen sign", {0xA5}, "5c");
    row("overline", {0x203E}, "7e");
    row("cent, pound and not signs", {0xA2, 0xA3, 0xAC}, "8191819281ca");
    row("roman numeral: NEC row 13 before IBM", {0x2160}, "8754");
    row("because: JIS before NEC and IBM", {0x2235}, "81e6");
    row("numero: NEC row 13 before IBM", {0x2116}, "8782");
    row("fullwidth apostrophe: IBM before NEC-selected", {0xFF07}, "fa56");
}

void CodePageTest::encodeRecovery()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(codepage::encode(text), bytes);
}

// Every lead byte with every trail byte: a pair Windows maps decodes to one
// character that encodes back to a code decoding to the same character;
// any other pair gives U+FFFD followed by the trail byte decoded on its own.
void CodePageTest::everyPairDecodesToOneCharacterOrRecovers()
{
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0)
            continue;
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const QByteArray pair = bytesFrom({lead, trail});
            const QString text = codepage::decode(pair);
            if (text.size() == 1) {
                QVERIFY2(text[0] != QChar(0xFFFD), pair.toHex().constData());
                const QByteArray again = codepage::encode(text);
                QCOMPARE(again.size(), 2);
                QCOMPARE(codepage::decode(again), text);
                ++mapped;
            } else {
                QCOMPARE(text.size(), 2);
                QCOMPARE(text[0], QChar(0xFFFD));
                QCOMPARE(text.mid(1), codepage::decode(pair.mid(1)));
            }
        }
    }
    // JIS X 0208 6879, NEC row 13 83, NEC-selected IBM 374, IBM 388,
    // user-defined 1880.
    QCOMPARE(mapped, 9604);
}

void CodePageTest::everyCharacterEncodesToWindowsChoice()
{
    QMap<char16_t, QList<QByteArray>> codes;
    for (int lead = 0; lead <= 0xFF; ++lead) {
        const QByteArray single = bytesFrom({lead});
        const QString text = codepage::decode(single);
        if (text != QStringView(u"\uFFFD"))
            codes[text[0].unicode()].append(single);
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const QByteArray pair = bytesFrom({lead, trail});
            const QString pairText = codepage::decode(pair);
            if (pairText.size() == 1)
                codes[pairText[0].unicode()].append(pair);
        }
    }
    int duplicates = 0;
    for (auto it = codes.cbegin(); it != codes.cend(); ++it) {
        QByteArray best = it.value().first();
        for (const QByteArray& code : it.value()) {
            if (windowsPreference(code) < windowsPreference(best))
                best = code;
        }
        duplicates += it.value().size() > 1;
        const QString text(QChar(it.key()));
        QVERIFY2(codepage::encode(text) == best,
                 qPrintable(QStringLiteral("U+%1 gives %2, Windows %3")
                                .arg(int(it.key()), 4, 16, QLatin1Char('0'))
                                .arg(QLatin1String(codepage::encode(text).toHex()),
                                     QLatin1String(best.toHex()))));
    }
    QCOMPARE(duplicates, 396);
}

void CodePageTest::streamedDecodeMatchesWhole_data()
{
    QTest::addColumn<qsizetype>("pieceSize");
    for (qsizetype size : {1, 2, 3, 7, 64})
        QTest::addRow("pieces of %lld", static_cast<long long>(size)) << size;
}

void CodePageTest::streamedDecodeMatchesWhole()
{
    QFETCH(qsizetype, pieceSize);
    // Double-byte, single-byte and broken bytes mixed, so that pieces end
    // on lead bytes, trail bytes and single bytes.
    const QByteArray bytes = QByteArray::fromHex(
        "82b182ea82cd8366834c8358836782c582b7814281a20d0a"
        "b1b2b3418140fa40ed408120fd82a0858140e0");
    const std::string whole = codepage::decode(bytes).toStdString();
    QCOMPARE(decodeStreamed(bytes, pieceSize), whole);
}

void CodePageTest::nonFinalPieceKeepsTrailingLeadByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("consumed");
    QTest::addColumn<QString>("text");
    QTest::newRow("lead byte after text") << QByteArray::fromHex("4182") << 1 << QStringLiteral("A");
    QTest::newRow("lead byte alone") << QByteArray::fromHex("e0") << 0 << QString();
    QTest::newRow("whole pair") << QByteArray::fromHex("82a0") << 2 << QStringLiteral(u"あ");
    QTest::newRow("trail byte that could lead") << QByteArray::fromHex("8181") << 2 << QStringLiteral(u"＝");
    QTest::newRow("Windows-only byte is whole") << QByteArray::fromHex("41fd") << 2
                                                << QStringLiteral(u"A\uF8F1");
    QTest::newRow("bad pair then lead byte") << QByteArray::fromHex("812082") << 2
                                             << QStringLiteral(u"\uFFFD ");
}

void CodePageTest::nonFinalPieceKeepsTrailingLeadByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, consumed);
    QFETCH(QString, text);
    std::string out = "x";
    QCOMPARE(codepage::decodeToUtf8(bytes.toStdString(), out, false), std::size_t(consumed));
    QCOMPARE(QString::fromStdString(out), QLatin1String("x") + text);
}

void CodePageTest::encodeFromUtf8_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("bytes");
    const auto row = [](const char* name, const char* utf8Hex, const char* hex) {
        QTest::newRow(name) << QByteArray::fromHex(utf8Hex) << QByteArray::fromHex(hex);
    };
    row("Japanese with CR LF", "e38182e383bc0d0a", "82a0815b0d0a");
    row("halfwidth katakana", "efbda1", "a1");
    row("stray continuation byte", "80", "3f");
    row("two-byte form cut short", "c3", "3f");
    row("three-byte form cut short before text", "e3814141", "3f3f4141");
    row("overlong slash", "c0af", "3f3f");
    row("overlong three-byte form", "e080af", "3f3f3f");
    row("encoded surrogate", "eda080", "3f3f3f");
    row("above U+10FFFF", "f4908080", "3f3f3f3f");
    row("byte never in UTF-8", "ff41", "3f41");
    row("character outside the BMP", "f09f988041", "3f41");
    row("Windows-only character", "c280", "80");
}

void CodePageTest::encodeFromUtf8()
{
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, bytes);
    std::string out = "x";
    codepage::encodeFromUtf8(utf8.toStdString(), out);
    QCOMPARE(QByteArray::fromStdString(out), "x" + bytes);
}

// Pieces larger than the conversion buffer, with a double-byte character
// and a character outside the BMP across every buffer boundary.
void CodePageTest::utf8EntryPointsHandlePiecesLargerThanTheirBuffer()
{
    QString text;
    for (int i = 0; i < 40000; ++i)
        text.append(i % 5 == 0 ? QStringLiteral(u"A") : QStringLiteral(u"日本語の文"));
    const QByteArray bytes = codepage::encode(text);
    for (int shift = 0; shift < 3; ++shift) {
        const QByteArray shifted = QByteArray(shift, 'x') + bytes;
        std::string utf8;
        QCOMPARE(codepage::decodeToUtf8(shifted.toStdString(), utf8), std::size_t(shifted.size()));
        QCOMPARE(QString::fromStdString(utf8), QString(shift, QLatin1Char('x')) + text);

        std::string encoded;
        codepage::encodeFromUtf8(utf8, encoded);
        QCOMPARE(QByteArray::fromStdString(encoded), shifted);
    }
    std::string emoji(32 * 1024 - 1, 'a');
    emoji += "\xF0\x9F\x98\x80" "b";
    std::string encoded;
    codepage::encodeFromUtf8(emoji, encoded);
    QCOMPARE(encoded, std::string(32 * 1024 - 1, 'a') + "?b");
}

void CodePageTest::emptyInput()
{
    QVERIFY(codepage::decode(QByteArray()).isEmpty());
    QVERIFY(codepage::encode(QString()).isEmpty());
    std::string out;
    QCOMPARE(codepage::decodeToUtf8({}, out, false), std::size_t(0));
    codepage::encodeFromUtf8({}, out);
    QVERIFY(out.empty());
}

QTEST_GUILESS_MAIN(CodePageTest)
#include "codepage_test.moc"
