#include "core/textstream.h"

#include <string>
#include <vector>

#include <QStringDecoder>

#include "core/codepage.h"

namespace yomika {

namespace {

// Bytes read at a time: large enough for the system, small enough that memory
// stays bounded whatever the size of the file.
constexpr std::size_t kChunk = std::size_t{1} << 20;

// Turns a file's bytes, fed piece by piece, into text: UTF-16 or UTF-8.
class PieceDecoder {
public:
    explicit PieceDecoder(TextEncoding encoding)
        : m_encoding(encoding)
    {
        switch (encoding) {
        case TextEncoding::Utf8:
        case TextEncoding::Utf8WithMark:
            m_decoder = QStringDecoder(QStringConverter::Utf8);
            break;
        case TextEncoding::Utf16Le:
            m_decoder = QStringDecoder(QStringConverter::Utf16LE);
            break;
        case TextEncoding::Utf16Be:
            m_decoder = QStringDecoder(QStringConverter::Utf16BE);
            break;
        case TextEncoding::Windows932:
            break;
        }
    }

    // The text of the next bytes; `final` for the last of them.
    QString toUtf16(std::string_view bytes, bool final)
    {
        if (m_encoding != TextEncoding::Windows932)
            return m_decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        std::string utf8;
        windows932(bytes, utf8, final);
        return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    }

    // The same in UTF-8, appended to `out`.
    void toUtf8(std::string_view bytes, bool final, std::string& out)
    {
        if (m_encoding == TextEncoding::Windows932) {
            windows932(bytes, out, final);
            return;
        }
        const QString text = toUtf16(bytes, final);
        const std::size_t at = out.size();
        out.resize(at + encodedSizeBound(TextEncoding::Utf8, std::size_t(text.size())));
        out.resize(at + encodeInto(TextEncoding::Utf8, reinterpret_cast<const char16_t*>(text.utf16()),
                                   std::size_t(text.size()), out.data() + at));
    }

private:
    // A lead byte cut off at the end of a piece waits for its trail byte.
    void windows932(std::string_view bytes, std::string& out, bool final)
    {
        m_carry.append(bytes);
        const std::size_t used = codepage::decodeToUtf8(m_carry, out, final);
        m_carry.erase(0, used);
    }

    TextEncoding m_encoding;
    QStringDecoder m_decoder;
    std::string m_carry;
};

// The UTF-8 bytes of a list of pieces, read on demand.
class Utf8Pieces : public ByteSource {
public:
    explicit Utf8Pieces(QList<TextPiece> pieces)
        : m_pieces(std::move(pieces))
        , m_buffer(kChunk)
    {
    }

    bool next(const char*& data, std::size_t& size) override
    {
        m_out.clear();
        while (m_out.empty() && m_error == NoError && m_index < m_pieces.size()) {
            if (!fill())
                ++m_index, m_offset = 0, m_open = false;
        }
        data = m_out.data();
        size = m_out.size();
        return !m_out.empty();
    }

    bool rewind() override
    {
        m_index = 0;
        m_offset = 0;
        m_open = false;
        m_error = NoError;
        return true;
    }

    ErrorNumber error() const override { return m_error; }

private:
    // Puts the next bytes of the current piece into m_out; false at its end.
    bool fill()
    {
        const TextPiece& piece = m_pieces[m_index];
        if (piece.path.isEmpty())
            return fillFromText(piece.text);
        if (!m_open) {
            if ((m_error = m_file.open(piece.path)))
                return false;
            m_open = true;
            // The decoder drops a byte-order mark at the start, which is no
            // part of the text.
            m_decoder = std::make_unique<PieceDecoder>(piece.encoding);
        }
        std::size_t got = 0;
        if ((m_error = m_file.read(m_buffer.data(), m_buffer.size(), got)))
            return false;
        std::string_view bytes(m_buffer.data(), got);
        if (piece.encoding == TextEncoding::Utf8) {
            m_out.assign(bytes); // well-formed throughout: its very bytes
        } else {
            m_decoder->toUtf8(bytes, got == 0, m_out);
        }
        return got > 0 || !m_out.empty();
    }

    bool fillFromText(const QString& text)
    {
        if (m_offset >= text.size())
            return false;
        qsizetype size = std::min<qsizetype>(text.size() - m_offset, qsizetype(kChunk / 3));
        // A pair is never cut in two.
        if (m_offset + size < text.size() && text.at(m_offset + size - 1).isHighSurrogate())
            --size;
        m_out.resize(encodedSizeBound(TextEncoding::Utf8, std::size_t(size)));
        m_out.resize(encodeInto(TextEncoding::Utf8, reinterpret_cast<const char16_t*>(text.utf16()) + m_offset,
                                std::size_t(size), m_out.data()));
        m_offset += size;
        return true;
    }

    QList<TextPiece> m_pieces;
    qsizetype m_index = 0;
    qsizetype m_offset = 0; // in the current text piece
    bool m_open = false;
    FileReader m_file;
    std::unique_ptr<PieceDecoder> m_decoder;
    std::vector<char> m_buffer;
    std::string m_out;
    ErrorNumber m_error = NoError;
};

} // namespace

TextScan scanTextFile(const QString& path, qsizetype headUnits)
{
    TextScan scan;
    FileReader file;
    if ((scan.error = file.open(path)))
        return scan;
    // The file of an ordinary text is read whole, as every other reader does.
    if (file.size() <= qint64(4 * kChunk)) {
        const BytesResult read = readWholeBytes(path);
        if (read.error == NoError) {
            scan.encoding = detectEncoding(read.bytes);
            const QString text = decodeText(read.bytes);
            scan.units = text.size();
            scan.head = text.left(headUnits);
            return scan;
        }
        if (read.error != FileTooLarge) { // grown meanwhile: read through as a large one
            scan.error = read.error;
            return scan;
        }
    }
    std::vector<char> buffer(kChunk);
    // First the encoding, which only all the bytes tell; then the text.
    EncodingProbe probe;
    for (std::size_t got = 1; got > 0;) {
        if ((scan.error = file.read(buffer.data(), buffer.size(), got)))
            return scan;
        probe.add(buffer.data(), got);
    }
    scan.encoding = probe.encoding();
    if ((scan.error = file.rewind()))
        return scan;
    PieceDecoder decoder(scan.encoding);
    for (std::size_t got = 1; got > 0;) {
        if ((scan.error = file.read(buffer.data(), buffer.size(), got)))
            return scan;
        const QString text = decoder.toUtf16(std::string_view(buffer.data(), got), got == 0);
        scan.units += text.size();
        if (scan.head.size() < headUnits)
            scan.head += text.left(headUnits - scan.head.size());
    }
    return scan;
}

std::unique_ptr<ByteSource> utf8Source(const QList<TextPiece>& pieces)
{
    return std::make_unique<Utf8Pieces>(pieces);
}

} // namespace yomika
