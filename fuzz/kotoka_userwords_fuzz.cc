// kotoka's lists of user words: any text is taken, or refused with a
// message naming the file and a line inside it; the words taken split a
// text into parts that give it back whole, each word where it occurs.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kotoka/layout.h"
#include "kotoka/userwords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first line is the text to split, the rest the list.
    const std::size_t end = input.find('\n');
    const std::string_view text = input.substr(0, end);
    const std::string_view list = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    static const kotoka::Layout unidic = kotoka::detectLayout("output-format-type = unidic22\n", 29);
    kotoka::UserWords words;
    const auto added = words.add(list, "list.csv", size % 2 ? unidic : kotoka::ipadicLayout());
    if (!added) {
        const std::string prefix = "list.csv:";
        if (added.error().compare(0, prefix.size(), prefix) != 0)
            std::abort();
        const unsigned long line = std::strtoul(added.error().c_str() + prefix.size(), nullptr, 10);
        if (line < 1 || line > std::size_t(std::count(list.begin(), list.end(), '\n')) + 1 || !words.empty())
            std::abort();
        return 0;
    }
    std::string joined;
    const bool whole = words.split(text, [&](std::string_view part, const kotoka::UserWord* word) {
        if (part.empty() || (word && part != word->surface))
            std::abort();
        joined += part;
        return true;
    });
    if (!whole || joined != text)
        std::abort();
    return 0;
}
