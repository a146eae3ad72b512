// kotoka's input reader: any bytes, read in reads of any size and cut with
// any bound, come out as pieces that keep within the bound, never split a
// character, and join, with the line ends, to the decoded input.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kotoka/codec.h"
#include "kotoka/linereader.h"

namespace {

class Source final : public kotoka::ByteSource {
public:
    Source(std::string_view bytes, std::size_t step) : m_bytes(bytes), m_step(step) {}
    long read(char* buffer, std::size_t size, std::string&) override
    {
        const std::size_t count = std::min({size, m_step, m_bytes.size()});
        std::copy_n(m_bytes.data(), count, buffer);
        m_bytes.remove_prefix(count);
        return static_cast<long>(count);
    }

private:
    std::string_view m_bytes;
    std::size_t m_step;
};

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose the read size and the piece bound.
    const std::size_t step = 1 + data[0] % 64;
    const std::size_t bound = data[1] % 128;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

    // What the reader must give: the decoded text with each line end (CR LF,
    // LF or CR) turned into LF, and a LF added to a last line that has none.
    std::string decoded;
    kotoka::decodeInput(bytes, decoded, true);
    std::string expected;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        if (decoded[i] == '\r') {
            expected += '\n';
            if (i + 1 < decoded.size() && decoded[i + 1] == '\n')
                ++i;
        } else {
            expected += decoded[i];
        }
    }
    if (!expected.empty() && expected.back() != '\n')
        expected += '\n';

    Source source(bytes, step);
    kotoka::LineReader reader(source, kotoka::decodeInput, bound, 16);
    const std::size_t effectiveBound = std::max(bound, kotoka::LineReader::minimumPieceBound);
    std::string joined;
    std::string error;
    for (;;) {
        std::string_view piece;
        bool endsLine = false;
        const auto status = reader.next(piece, endsLine, error);
        if (status == kotoka::LineReader::Status::End)
            break;
        if (status == kotoka::LineReader::Status::Error)
            std::abort();
        if (piece.size() > effectiveBound || piece.find_first_of("\r\n") != std::string_view::npos)
            std::abort();
        if (!piece.empty() && isContinuation(piece.front()))
            std::abort(); // cut inside a character
        if (!endsLine && piece.empty())
            std::abort(); // no progress
        joined += piece;
        if (endsLine)
            joined += '\n';
    }
    if (joined != expected)
        std::abort();
    return 0;
}
