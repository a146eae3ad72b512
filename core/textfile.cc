#include "core/textfile.h"

#include <algorithm>

#include <QDir>
#include <QMimeData>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>

#include "core/codepage.h"
#include "core/errornumber.h"

namespace yomika {

namespace {

constexpr char utf8Bom[] = "\xEF\xBB\xBF";

// How much of a file is checked for UTF-8 before it is decoded as UTF-8.
constexpr qsizetype utf8Probe = 64 * 1024;

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above
// U+10FFFF, no sequence cut off at the end. Shift-JIS text almost never
// passes, since its lead bytes 0x81-0x9F are UTF-8 continuation bytes and
// its trail bytes rarely follow a UTF-8 lead byte's pattern.
bool isStrictUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        qsizetype trail;
        if (lead >= 0xC2 && lead <= 0xDF)
            trail = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
            trail = 2;
        else if (lead >= 0xF0 && lead <= 0xF4)
            trail = 3;
        else
            return false; // a continuation byte, C0, C1 or F5-FF
        if (end - p <= trail)
            return false;
        // The second byte's range is narrower after four lead bytes: it
        // excludes the overlong forms (E0, F0), the surrogates (ED) and the
        // code points above U+10FFFF (F4).
        unsigned low = 0x80, high = 0xBF;
        switch (lead) {
        case 0xE0: low = 0xA0; break;
        case 0xED: high = 0x9F; break;
        case 0xF0: low = 0x90; break;
        case 0xF4: high = 0x8F; break;
        default: break;
        }
        if (p[1] < low || p[1] > high)
            return false;
        for (qsizetype i = 2; i <= trail; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
        }
        p += trail + 1;
    }
    return true;
}

bool hasPlainText(const QMimeData& data)
{
    const QStringList formats = data.formats();
    for (const QString& format : formats) {
        if (format == u"text/plain" || format.startsWith(u"text/plain;"))
            return true;
    }
    return false;
}

// True when every non-empty line of `text` is the path or the URI of one of
// `paths`. An empty text qualifies: it names nothing else.
bool namesOnlyListedFiles(const QString& text, const QStringList& paths)
{
    QSet<QString> names;
    for (const QString& path : paths) {
        names.insert(path);
        names.insert(QDir::toNativeSeparators(path));
    }
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    const QStringList lines = text.split(lineEnd, Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || names.contains(line) || names.contains(trimmed))
            continue;
        // Encoded or not: "file:///tmp/a%20b.txt" and "file:///tmp/a b.txt".
        const QUrl url(trimmed, QUrl::TolerantMode);
        if (url.isValid() && url.isLocalFile() && names.contains(url.toLocalFile()))
            continue;
        return false;
    }
    return true;
}

} // namespace

QString decodeTextFile(QByteArrayView bytes)
{
    // Only the one mark that chose UTF-8 is dropped; the decoder is told to
    // keep a further one as text. Bytes of a sequence cut off at the end
    // decode to U+FFFD instead of being held back, and count as a fault.
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    if (bytes.startsWith(QByteArrayView(utf8Bom)))
        return utf8.decode(bytes.sliced(3));

    // A file in the code page nearly always shows within its first bytes that
    // it is not UTF-8, so only a file whose beginning passes is decoded as
    // UTF-8 whole; that decoding finds a fault further on just as strictly.
    qsizetype probe = std::min(bytes.size(), utf8Probe);
    while (probe < bytes.size() && probe > 0 && (uchar(bytes[probe]) & 0xC0) == 0x80)
        --probe; // not into the middle of a character
    if (isStrictUtf8(bytes.first(probe))) {
        // QString::fromUtf8 is the faster decoder but says nothing of faults:
        // it turns them into U+FFFD, so only a text holding one is decoded
        // again, by the decoder that reports them.
        QString text = QString::fromUtf8(bytes);
        if (text.contains(QChar::ReplacementCharacter)) {
            text = utf8.decode(bytes);
            if (utf8.hasError())
                return codepage::decode(bytes);
        }
        // Fewer units than bytes: at least one multi-byte character.
        if (text.size() < bytes.size())
            return text;
    }
    return codepage::decode(bytes);
}

ReadResult readTextFile(const QString& path)
{
    BytesResult read = readWholeBytes(path);
    if (read.error != NoError)
        return {QString(), read.error};
    return {decodeTextFile(read.bytes), NoError};
}

DroppedData interpretDrop(const QMimeData& data)
{
    QStringList paths;
    if (data.hasUrls()) {
        const QList<QUrl> urls = data.urls();
        for (const QUrl& url : urls) {
            if (url.isLocalFile())
                paths.append(url.toLocalFile());
        }
    }

    if (hasPlainText(data)) {
        const QString text = data.text();
        if (paths.isEmpty() || !namesOnlyListedFiles(text, paths))
            return {DroppedData::Kind::Text, text, {}};
    }
    if (!paths.isEmpty())
        return {DroppedData::Kind::Files, QString(), paths};
    return {};
}

bool offersTextOrFiles(const QMimeData& data)
{
    if (hasPlainText(data))
        return true;
    if (!data.hasUrls())
        return false;
    const QList<QUrl> urls = data.urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); });
}

QString directoryMessage(const QString& path)
{
    return QDir::toNativeSeparators(path) + QStringLiteral("\r\nはディレクトリです");
}

} // namespace yomika
