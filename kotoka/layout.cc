#include "kotoka/layout.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "kotoka/system.h"

namespace kotoka {
namespace {

constexpr Layout ipadic{LayoutKind::Ipadic, "IPADIC", 9, 6, 7, 8, Layout::npos};
constexpr Layout naistJdic{LayoutKind::NaistJdic, "NAIST-jdic", 11, 6, 7, 8, Layout::npos};
constexpr Layout unidic3{LayoutKind::Unidic3, "UniDic", 29, 10, 20, 9, 8};
constexpr Layout unidic2{LayoutKind::Unidic2, "UniDic 2.1", 26, 10, 17, 9, 8};

// The value of `key` in dicrc text ("key = value" lines, ";" comments), or
// the empty view.
std::string_view dicrcValue(std::string_view dicrc, std::string_view key)
{
    while (!dicrc.empty()) {
        const std::size_t end = dicrc.find('\n');
        std::string_view line = dicrc.substr(0, end);
        dicrc.remove_prefix(end == std::string_view::npos ? dicrc.size() : end + 1);
        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == ';' || equals == std::string_view::npos)
            continue;
        auto trim = [](std::string_view text) {
            while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
                text.remove_prefix(1);
            while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
                text.remove_suffix(1);
            return text;
        };
        if (trim(line.substr(0, equals)) == key)
            return trim(line.substr(equals + 1));
    }
    return {};
}

std::uint32_t littleEndian(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16
        | std::uint32_t(bytes[3]) << 24;
}

} // namespace

const Layout& ipadicLayout()
{
    return ipadic;
}

Layout detectLayout(std::string_view dicrc, std::size_t columns)
{
    if (dicrcValue(dicrc, "output-format-type").substr(0, 6) == "unidic") {
        if (columns == unidic3.columns)
            return unidic3;
        if (columns == unidic2.columns)
            return unidic2;
        return {};
    }
    if (columns == ipadic.columns)
        return ipadic;
    if (columns == naistJdic.columns)
        return naistJdic;
    return {};
}

std::size_t columnCount(std::string_view feature)
{
    std::size_t count = 1;
    bool quoted = false;
    for (const char c : feature) {
        if (c == '"')
            quoted = !quoted; // "" inside a quoted field toggles twice
        else if (c == ',' && !quoted)
            ++count;
    }
    return count;
}

yomika::Expected<std::size_t, std::string> entryColumns(const std::string& dicdir)
{
    // MeCab has no call that lists a dictionary's entries, so the first of
    // them are read from sys.dic itself: a header of ten 32-bit numbers (the
    // sizes of its parts at 6, 7 and 8), the charset in 32 bytes, the
    // double array, the tokens, then the feature texts, each ended by NUL.
    using yomika::Unexpected;
    const std::string path = sys::joinPath(dicdir, "sys.dic");
    const std::string unreadable = "the dictionary file " + path + " cannot be read";
    sys::InputFile file;
    std::string error;
    if (!file.open(path, error))
        return Unexpected(unreadable + ": " + error);
    auto readFully = [&](char* buffer, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const long count = file.read(buffer + done, size - done, error);
            if (count <= 0)
                break;
            done += static_cast<std::size_t>(count);
        }
        return done;
    };
    unsigned char header[72];
    if (readFully(reinterpret_cast<char*>(header), sizeof header) != sizeof header)
        return Unexpected(unreadable + ": it is too short to be a dictionary");
    const std::uint64_t features = sizeof header + std::uint64_t(littleEndian(header + 24)) + littleEndian(header + 28);
    const std::size_t featureSize = littleEndian(header + 32);
    std::vector<char> text(std::min<std::size_t>(featureSize, 64 * 1024));
    if (!file.seek(features, error))
        return Unexpected(unreadable + ": " + error);
    text.resize(readFully(text.data(), text.size()));
    std::size_t most = 0;
    std::string_view rest(text.data(), text.size());
    // The last text may be cut off by the read: only those ended by NUL count.
    for (std::size_t end = rest.find('\0'); end != std::string_view::npos; end = rest.find('\0')) {
        most = std::max(most, columnCount(rest.substr(0, end)));
        rest.remove_prefix(end + 1);
    }
    if (most == 0)
        return Unexpected("the dictionary file " + path + " holds no entries");
    return most;
}

} // namespace kotoka
