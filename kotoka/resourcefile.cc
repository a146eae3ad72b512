#include "kotoka/resourcefile.h"

#include "core/files/fixednames.h"
#include "kotoka/system.h"

namespace kotoka {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

yomika::Expected<std::string, std::string> parseResourceFile(std::string_view text, std::string_view resourcePath)
{
    using yomika::Unexpected;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3); // a byte-order mark some editors add

    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        std::size_t nameEnd = 0;
        while (nameEnd < line.size() && !isBlank(line[nameEnd]) && line[nameEnd] != '=')
            ++nameEnd;
        const std::string_view name = line.substr(0, nameEnd);
        std::string_view value = trimmed(line.substr(nameEnd));
        if (!value.empty() && value.front() == '=')
            value = trimmed(value.substr(1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (name != "dicdir")
            continue;

        if (value.empty())
            return Unexpected("the dicdir line of the resource file " + std::string(resourcePath) + " names no folder");
        const std::string_view placeholder = yomika::fixedname::dictionaryPlaceholder;
        if (const std::size_t at = value.find(placeholder); at != std::string_view::npos) {
            // Until the window fills it in, the placeholder stands for what
            // the window puts there: the folder of the resource file.
            std::string dicdir(value);
            dicdir.replace(at, placeholder.size(), sys::parentPath(resourcePath));
            return dicdir;
        }
        return sys::isAbsolutePath(value) ? std::string(value) : sys::joinPath(sys::parentPath(resourcePath), value);
    }
    return Unexpected("the resource file " + std::string(resourcePath)
                      + " has no dicdir line naming the dictionary folder");
}

} // namespace kotoka
