// kotoka's input reader: any bytes, in UTF-8, UTF-16 of either order or
// Windows-932, read in reads of any size and cut with any bound, come out
// as pieces that keep within the bound, never split a character, and join,
// with the line ends, to the decoded input less a leading byte-order mark.
// Decoded UTF-8 is well formed.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kotoka/codec.h"
#include "kotoka/linereader.h"

// Hands the bytes out in reads of at most `step` bytes.
struct Source final : kotoka::ByteSource {
    Source(std::string_view bytes, std::size_t step) : m_bytes(bytes), m_step(step) {}
    long read(char* buffer, std::size_t size, std::string&) override
    {
        const std::size_t count = std::min({size, m_step, m_bytes.size()});
        std::copy_n(m_bytes.data(), count, buffer);
        m_bytes.remove_prefix(count);
        return static_cast<long>(count);
    }
    std::string_view m_bytes;
    std::size_t m_step;
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose the encoding, the read size and the piece bound.
    constexpr kotoka::Encoding encodings[] = {kotoka::Encoding::Utf8, kotoka::Encoding::Windows932,
                                              kotoka::Encoding::Utf16Le, kotoka::Encoding::Utf16Be};
    const kotoka::Encoding encoding = encodings[data[0] >> 6];
    const std::size_t bound = data[1] % 128;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

    // What the reader must give: the decoded text with each line end (CR LF,
    // LF or CR) as LF, and a LF after a last line that has none.
    std::string decoded, expected, again;
    kotoka::decoderFor(encoding)(bytes, decoded, true);
    kotoka::decodeUtf8(decoded, again, true);
    if (again != decoded)
        std::abort();
    if (decoded.compare(0, 3, "\xEF\xBB\xBF") == 0)
        decoded.erase(0, 3);
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        expected += decoded[i] == '\r' ? '\n' : decoded[i];
        i += decoded.compare(i, 2, "\r\n") == 0;
    }
    if (!expected.empty() && expected.back() != '\n')
        expected += '\n';

    Source source(bytes, 1 + data[0] % 64);
    kotoka::LineReader reader(source, kotoka::decoderFor(encoding), bound, 16);
    std::string joined, error;
    std::string_view piece;
    bool endsLine = false;
    while (reader.next(piece, endsLine, error) == kotoka::LineReader::Status::Piece) {
        // Within the bound, no line end inside, not cut inside a character, not empty unless a line ends.
        if (piece.size() > std::max(bound, kotoka::LineReader::minimumPieceBound) || piece.find_first_of("\r\n") != std::string_view::npos
            || (!piece.empty() && (static_cast<unsigned char>(piece.front()) & 0xC0) == 0x80)
            || (!endsLine && piece.empty()))
            std::abort();
        joined += std::string(piece) + (endsLine ? "\n" : "");
    }
    if (joined != expected)
        std::abort(); // a read error would end early and fail here too
    return 0;
}
