#include "core/files/textstream.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <future>
#include <string>
#include <system_error>
#include <vector>

#include <QStringDecoder>

#include "core/text/codepage.h"
#include "core/files/textcodec.h"
#include "core/text/utf8sequence.h"

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
        if (m_encoding != TextEncoding::Windows932) {
            QString text = m_decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
            remember(bytes);
            if (final) // what the decoder holds back for a next piece, as a whole read shows it
                text += QString(heldBack(), QChar(0xFFFD));
            return text;
        }
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
    // The last bytes fed, and whether their count is odd.
    void remember(std::string_view bytes)
    {
        m_odd ^= bytes.size() & 1;
        m_last.append(bytes.substr(bytes.size() - std::min<std::size_t>(bytes.size(), 3)));
        m_last.erase(0, m_last.size() - std::min<std::size_t>(m_last.size(), 3));
    }

    // The bytes at the end that the decoder keeps for a character still to
    // come: a UTF-8 sequence cut short, or the odd byte of UTF-16.
    qsizetype heldBack() const
    {
        if (m_encoding == TextEncoding::Utf16Le || m_encoding == TextEncoding::Utf16Be)
            return m_odd;
        const auto* end = reinterpret_cast<const unsigned char*>(m_last.data()) + m_last.size();
        for (qsizetype k = 1; k <= qsizetype(m_last.size()); ++k) {
            if (end[-k] < 0xC0)
                continue; // no lead byte: the sequence, if any, begins further back
            const utf8::Sequence sequence = utf8::sequenceAt(end - k, end);
            return sequence.length == 0 && sequence.prefix == k ? k : 0;
        }
        return 0;
    }

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
    std::string m_last;
    bool m_odd = false;
};

// The UTF-8 bytes of a list of pieces, read on demand.
class Utf8Pieces : public ByteSource {
public:
    explicit Utf8Pieces(QList<TextPiece> pieces)
        : m_pieces(std::move(pieces))
        , m_buffer(kChunk)
    {
        // An empty text adds nothing (a file dropped on an empty pane comes
        // after the pane's empty text), and a lone file may be copied whole.
        m_pieces.removeIf([](const TextPiece& piece) { return piece.path.isEmpty() && piece.text.isEmpty(); });
    }

    bool next(const char*& data, std::size_t& size) override
    {
        m_out.clear();
        while (m_out.empty() && m_error == ErrorNumber::NoError && m_index < m_pieces.size()) {
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
        m_error = ErrorNumber::NoError;
        return true;
    }

    ErrorNumber error() const override { return m_error; }

    // A lone file of well-formed UTF-8 is its very bytes: the system may copy it.
    FileReader* verbatimFile() override
    {
        if (m_pieces.size() != 1 || m_pieces[0].path.isEmpty() || m_pieces[0].encoding != TextEncoding::Utf8
            || m_index != 0 || m_open || m_error != ErrorNumber::NoError)
            return nullptr;
        if ((m_error = errorOf(m_file.open(m_pieces[0].path))) != ErrorNumber::NoError)
            return nullptr;
        m_open = true;
        return &m_file;
    }

private:
    // Puts the next bytes of the current piece into m_out; false at its end.
    bool fill()
    {
        const TextPiece& piece = m_pieces[m_index];
        if (piece.path.isEmpty())
            return fillFromText(piece.text);
        if (!m_open) {
            if ((m_error = errorOf(m_file.open(piece.path))) != ErrorNumber::NoError)
                return false;
            m_open = true;
            // The decoder drops a byte-order mark at the start, which is no
            // part of the text.
            m_decoder = std::make_unique<PieceDecoder>(piece.encoding);
        }
        const Result<std::size_t> read = m_file.read(m_buffer.data(), m_buffer.size());
        if ((m_error = errorOf(read)) != ErrorNumber::NoError)
            return false;
        const std::size_t got = *read;
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
    ErrorNumber m_error = ErrorNumber::NoError;
};

// The UTF-16 units that well-formed UTF-8 bytes make: one for each byte
// that is no continuation byte (10xxxxxx), and one more for each lead byte
// of four (11110xxx), whose character takes a pair. Eight bytes at a time.
qint64 unitsOfUtf8(const char* data, std::size_t size)
{
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    qint64 units = 0;
    std::size_t i = 0;
    for (std::uint64_t w; i + 8 <= size; i += 8) {
        std::memcpy(&w, data + i, 8);
        const std::uint64_t continuation = w & ~(w << 1) & kHigh;
        const std::uint64_t fourLead = w & (w << 1) & (w << 2) & (w << 3) & ~(w << 4) & kHigh;
        units += 8 - std::popcount(continuation) + std::popcount(fourLead);
    }
    for (; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        units += ((byte & 0xC0) != 0x80) + ((byte & 0xF8) == 0xF0);
    }
    return units;
}

// The first `headUnits` units of a file of well-formed UTF-8, read from its
// start: a unit takes at most three bytes.
Result<QString> readUtf8Head(FileReader& file, qsizetype headUnits)
{
    std::vector<char> bytes(std::size_t(headUnits) * 3);
    std::size_t have = 0;
    for (std::size_t got = 1; got > 0 && have < bytes.size(); have += got) {
        const Result<std::size_t> read = file.read(bytes.data() + have, bytes.size() - have);
        if (!read)
            return failure(read.error());
        got = *read;
    }
    QStringDecoder decoder(QStringConverter::Utf8); // holds back a sequence cut at the end
    return QString(decoder.decode(QByteArrayView(bytes.data(), qsizetype(have)))).left(headUnits);
}

// Reads the rest of `file` in pieces and hands each to `take`, the last one
// empty (for a decoder that holds back a sequence cut at a piece's end).
template <typename Take>
Result<> readThrough(FileReader& file, Take take)
{
    std::vector<char> buffer(kChunk);
    for (std::size_t got = 1; got > 0;) {
        const Result<std::size_t> read = file.read(buffer.data(), buffer.size());
        if (!read)
            return failure(read.error());
        got = *read;
        take(std::string_view(buffer.data(), got));
    }
    return {};
}

// The encoding of the file at `path`, which must still have `size` bytes.
Result<TextEncoding> probeFile(const QString& path, qint64 size)
{
    FileReader file;
    if (const Result<> opened = file.open(path); !opened)
        return failure(opened.error());
    if (file.size() != size) // replaced meanwhile: not the bytes being copied
        return failure(ErrorNumber::ReadFailed);
    EncodingProbe probe;
    if (const Result<> read = readThrough(file, [&](std::string_view bytes) { probe.add(bytes.data(), bytes.size()); });
        !read)
        return failure(read.error());
    return probe.encoding();
}

// A file's bytes unchanged, for a file that is well-formed UTF-8; the bytes
// tell only at their end whether they were, so a file that was not ends the
// pieces with WriteFailed and needsConversion(). While the system copies the
// bytes, another thread checks them: the copy and the check take the time of
// the longer one instead of both.
class VerbatimUtf8 : public ByteSource {
public:
    explicit VerbatimUtf8(const QString& path)
        : m_path(path)
        , m_buffer(kChunk)
    {
    }

    ~VerbatimUtf8() override
    {
        if (m_check.valid())
            m_check.wait();
    }

    FileReader* verbatimFile() override
    {
        if (!open())
            return nullptr;
        try {
            m_check = std::async(std::launch::async, probeFile, m_path, m_file.size()).share();
        } catch (const std::system_error&) {
            return nullptr; // no thread to spare: next() checks as it reads
        }
        return &m_file;
    }

    bool next(const char*& data, std::size_t& size) override
    {
        if (!open())
            return false;
        const Result<std::size_t> read = m_file.read(m_buffer.data(), m_buffer.size());
        if ((m_error = errorOf(read)) != ErrorNumber::NoError)
            return false;
        const std::size_t got = *read;
        if (!m_check.valid())
            m_probe.add(m_buffer.data(), got);
        data = m_buffer.data();
        size = got;
        return got > 0;
    }

    bool rewind() override
    {
        m_open = false;
        m_probe = EncodingProbe();
        m_error = ErrorNumber::NoError;
        return true;
    }

    // Asked at the end of the pieces: the verdict on all of them.
    ErrorNumber error() const override
    {
        if (m_error != ErrorNumber::NoError)
            return m_error;
        const Result<TextEncoding> verdict = m_check.valid() ? m_check.get() : Result<TextEncoding>(m_probe.encoding());
        if (!verdict)
            return verdict.error();
        m_encoding = *verdict;
        m_needsConversion = *verdict != TextEncoding::Utf8;
        return m_needsConversion ? ErrorNumber::WriteFailed : ErrorNumber::NoError;
    }

    bool needsConversion() const { return m_needsConversion; }
    TextEncoding encoding() const { return m_encoding; }

private:
    bool open()
    {
        if (!m_open && m_error == ErrorNumber::NoError) {
            m_error = errorOf(m_file.open(m_path));
            m_open = m_error == ErrorNumber::NoError;
        }
        return m_open;
    }

    QString m_path;
    FileReader m_file;
    bool m_open = false;
    std::vector<char> m_buffer;
    EncodingProbe m_probe;
    std::shared_future<Result<TextEncoding>> m_check;
    ErrorNumber m_error = ErrorNumber::NoError;
    mutable TextEncoding m_encoding = TextEncoding::Utf8;
    mutable bool m_needsConversion = false;
};

} // namespace

Result<TextScan> scanTextFile(const QString& path, qsizetype headUnits)
{
    FileReader file;
    if (const Result<> opened = file.open(path); !opened)
        return failure(opened.error());
    TextScan scan;
    // The file of an ordinary text is read whole, as every other reader does.
    if (file.size() <= qint64(4 * kChunk)) {
        const Result<QByteArray> read = readWholeBytes(path);
        if (read) {
            scan.encoding = detectEncoding(*read);
            const QString text = decodeText(*read);
            scan.units = text.size();
            scan.head = text.left(headUnits);
            return scan;
        }
        if (read.error() != ErrorNumber::FileTooLarge) // grown meanwhile: read through as a large one
            return failure(read.error());
    }
    // First the encoding, which only all the bytes tell; then the text. The
    // length a UTF-8 text would have is counted on the way, so that the
    // common case needs no second pass.
    EncodingProbe probe;
    qint64 utf8Units = 0;
    Result<> done = readThrough(file, [&](std::string_view bytes) {
        probe.add(bytes.data(), bytes.size());
        utf8Units += unitsOfUtf8(bytes.data(), bytes.size());
    });
    if (done)
        done = file.rewind();
    if (!done)
        return failure(done.error());
    scan.encoding = probe.encoding();
    if (scan.encoding == TextEncoding::Utf8) {
        scan.units = utf8Units;
        Result<QString> head = readUtf8Head(file, headUnits);
        if (!head)
            return failure(head.error());
        scan.head = std::move(*head);
        return scan;
    }
    PieceDecoder decoder(scan.encoding);
    done = readThrough(file, [&](std::string_view bytes) {
        const QString text = decoder.toUtf16(bytes, bytes.empty());
        scan.units += text.size();
        if (scan.head.size() < headUnits)
            scan.head += text.left(headUnits - scan.head.size());
    });
    if (!done)
        return failure(done.error());
    return scan;
}

std::unique_ptr<ByteSource> utf8Source(const QList<TextPiece>& pieces)
{
    return std::make_unique<Utf8Pieces>(pieces);
}

Result<> writeTextFileAsUtf8(const QString& source, const QString& target)
{
    VerbatimUtf8 verbatim(source);
    Result<> written = writeWholeFileFrom(target, verbatim);
    if (!verbatim.needsConversion())
        return written;
    return writeWholeFileFrom(target, *utf8Source({TextPiece{{}, source, verbatim.encoding()}}));
}

} // namespace yomika
