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

ResourceSettings parseResourceSettings(std::string_view text, std::string_view resourcePath)
{
    ResourceSettings settings{sys::parentPath(resourcePath), {}, {}, {}};
    settings.dicdirBase = settings.folder;
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
        std::optional<std::string>* setting = name == "dicdir" ? &settings.dicdir
            : name == "userdic"                                ? &settings.userdic
                                                               : nullptr;
        if (!setting || *setting)
            continue;
        std::string filled(value);
        // Until the window fills it in, the placeholder stands for what the
        // window puts there: the folder of the resource file.
        const std::string_view placeholder = yomika::fixedname::dictionaryPlaceholder;
        if (const std::size_t at = filled.find(placeholder); at != std::string::npos) {
            filled.replace(at, placeholder.size(), settings.folder);
            if (setting == &settings.dicdir)
                settings.dicdirBase.clear(); // the folder is in the value already
        }
        *setting = std::move(filled);
    }
    return settings;
}

std::vector<std::string> userWordFiles(std::string_view userdic, std::string_view folder)
{
    std::vector<std::string> files;
    while (!userdic.empty()) {
        const std::size_t comma = userdic.find(',');
        const std::string_view file = trimmed(userdic.substr(0, comma));
        userdic.remove_prefix(comma == std::string_view::npos ? userdic.size() : comma + 1);
        if (!file.empty())
            files.push_back(sys::isAbsolutePath(file) ? std::string(file) : sys::joinPath(folder, file));
    }
    return files;
}

} // namespace kotoka
