#include "kotoka/dictionaries.h"

#include "kotoka/system.h"

namespace kotoka {

const std::vector<DictionaryName>& dictionaryNames()
{
    // The one list of where dictionaries are installed; a Windows build
    // looks only in the program's dic folder.
#ifdef _WIN32
    static const std::vector<DictionaryName> names{
        {"ipadic", "mecab-ipadic-utf8", {}},
        {"naist-jdic", "mecab-naist-jdic", {}},
        {"unidic", "unidic-mecab", {}},
    };
#else
    static const std::vector<DictionaryName> names{
        {"ipadic", "mecab-ipadic-utf8", {"/var/lib/mecab/dic/ipadic-utf8"}},
        {"naist-jdic", "mecab-naist-jdic", {"/var/lib/mecab/dic/naist-jdic"}},
        {"unidic", "unidic-mecab", {"/var/lib/mecab/dic/unidic"}},
    };
#endif
    return names;
}

yomika::Expected<std::string, std::string> resolveDictionary(std::string_view value, std::string_view baseFolder,
                                                             std::string_view programDicFolder)
{
    const std::string folder = sys::isAbsolutePath(value) ? std::string(value) : sys::joinPath(baseFolder, value);
    if (sys::isFolder(folder))
        return folder;
    for (const DictionaryName& known : dictionaryNames()) {
        if (known.name != value)
            continue;
        std::vector<std::string> candidates{sys::joinPath(programDicFolder, value)};
        candidates.insert(candidates.end(), known.systemFolders.begin(), known.systemFolders.end());
        std::string tried;
        for (const std::string& candidate : candidates) {
            if (sys::isRegularFile(sys::joinPath(candidate, "sys.dic")))
                return candidate;
            tried += (tried.empty() ? "" : ", ") + candidate;
        }
        return yomika::Unexpected("the dictionary " + std::string(value) + " is not installed (looked in " + tried
                                  + "; Debian's package " + std::string(known.package) + " installs it)");
    }
    return folder;
}

} // namespace kotoka
