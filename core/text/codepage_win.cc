// Windows-932 through the Windows conversion functions, named by its number:
// the program's manifest makes the process's ANSI code page UTF-8, and the
// files of earlier versions are Windows-932 whatever the system's setting.
// MultiByteToWideChar already follows the decoding rules of codepage.h; the
// code here splits buffers larger than the functions' int sizes, keeps a
// trailing lead byte for the next piece, and makes encoding agree with the
// other systems: no best-fit guesses (which would turn, say, an accented
// letter into a plain one), but the JIS characters Windows-932 holds under
// Microsoft's code points are encoded as those.

#include "core/text/codepage_platform.h"

#include <algorithm>
#include <climits>
#include <vector>

#include <windows.h>

namespace yomika::codepage::detail {
namespace {

constexpr UINT kWindows932 = 932;

// Pieces stay well below INT_MAX units or bytes.
constexpr std::size_t kPieceSize = std::size_t{1} << 28;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// 1 when the last byte of `bytes` is a lead byte without its trail byte.
// Inside a run of bytes that can all lead, Windows pairs them from the start
// of the run (every lead byte value is also a valid trail byte value), so
// the last one stands alone when the run is odd.
std::size_t pendingLeadByte(const char* bytes, std::size_t size)
{
    std::size_t run = 0;
    while (run < size && IsDBCSLeadByteEx(kWindows932, static_cast<BYTE>(bytes[size - 1 - run])))
        ++run;
    return run % 2;
}

// The JIS characters that Windows-932 holds under Microsoft's code points,
// with the character that stands at that code point. iconv's "CP932"
// converts them the same way on the other systems.
char16_t microsoftVariant(char16_t unit)
{
    switch (unit) {
    case 0x00A2: return 0xFFE0; // CENT SIGN
    case 0x00A3: return 0xFFE1; // POUND SIGN
    case 0x00A5: return 0x005C; // YEN SIGN
    case 0x00AC: return 0xFFE2; // NOT SIGN
    case 0x2014: return 0x2015; // EM DASH
    case 0x2016: return 0x2225; // DOUBLE VERTICAL LINE
    case 0x203E: return 0x007E; // OVERLINE
    case 0x2212: return 0xFF0D; // MINUS SIGN
    case 0x301C: return 0xFF5E; // WAVE DASH
    default: return 0;
    }
}

} // namespace

DecodeProgress decodeInto(const char* bytes, std::size_t size, char16_t* out, bool final)
{
    DecodeProgress progress;
    while (progress.consumed < size) {
        std::size_t length = std::min(size - progress.consumed, kPieceSize);
        const bool last = progress.consumed + length == size;
        if (!last || !final)
            length -= pendingLeadByte(bytes + progress.consumed, length);
        if (length == 0)
            break;
        // With no flags, bytes the code page does not map give U+FFFD.
        const int written = MultiByteToWideChar(kWindows932, 0, bytes + progress.consumed,
                                                static_cast<int>(length),
                                                reinterpret_cast<wchar_t*>(out + progress.written),
                                                static_cast<int>(length));
        progress.consumed += length;
        if (written > 0) {
            progress.written += static_cast<std::size_t>(written);
        } else {
            // Cannot happen with room for one unit per byte; never lose the
            // bytes silently all the same.
            std::fill_n(out + progress.written, length, char16_t{0xFFFD});
            progress.written += length;
        }
        if (last)
            break;
    }
    return progress;
}

std::size_t encodedSizeBound(std::size_t units)
{
    static const std::size_t maxCharSize = [] {
        CPINFO info;
        return GetCPInfo(kWindows932, &info) ? std::max<std::size_t>(info.MaxCharSize, 1) : 4;
    }();
    // A UTF-8 system code page writes three bytes for some single units.
    return units * std::max<std::size_t>(maxCharSize, 2);
}

std::size_t encodeInto(const char16_t* text, std::size_t size, char* out)
{
    std::vector<char16_t> variant;
    std::size_t written = 0;
    std::size_t done = 0;
    while (done < size) {
        std::size_t length = std::min(size - done, kPieceSize);
        if (done + length < size && isHighSurrogate(text[done + length - 1]))
            --length; // a surrogate pair stays in one piece
        const char16_t* piece = text + done;
        if (std::any_of(piece, piece + length, microsoftVariant)) {
            variant.assign(piece, piece + length);
            for (char16_t& unit : variant) {
                if (const char16_t replacement = microsoftVariant(unit))
                    unit = replacement;
            }
            piece = variant.data();
        }
        const std::size_t room = encodedSizeBound(length);
        // WC_NO_BEST_FIT_CHARS: a character the code page does not hold
        // becomes the default character "?", never a look-alike.
        const int count = WideCharToMultiByte(kWindows932, WC_NO_BEST_FIT_CHARS,
                                              reinterpret_cast<const wchar_t*>(piece),
                                              static_cast<int>(length), out + written,
                                              static_cast<int>(std::min<std::size_t>(room, INT_MAX)),
                                              nullptr, nullptr);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
        } else {
            std::fill_n(out + written, length, '?');
            written += length;
        }
        done += length;
    }
    return written;
}

} // namespace yomika::codepage::detail
