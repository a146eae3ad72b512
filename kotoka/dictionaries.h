#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/expected.h"

// The dictionaries kotoka knows by name, and where each is looked for: first
// the program's own dic folder (dic/ipadic, dic/unidic, ...), the one place
// on Windows, then where Debian's packages install them. A name is what -d
// and a resource file's dicdir may give instead of a folder.

namespace kotoka {

struct DictionaryName {
    std::string_view name;    // as -d and dicdir give it
    std::string_view package; // the Debian package that installs it
    std::vector<std::string_view> systemFolders;
};

/// The dictionaries known by name; cannot fail.
[[nodiscard]] const std::vector<DictionaryName>& dictionaryNames();

/// The folder of the dictionary `value` names. A folder (relative ones taken
/// from `baseFolder`) that exists is that folder; otherwise a known name is
/// looked up in `programDicFolder`, then in the system's folders; anything
/// else is taken as a folder (which the engine then finds missing). Fails,
/// with the message, for a known name installed nowhere.
[[nodiscard]] yomika::Expected<std::string, std::string> resolveDictionary(std::string_view value,
                                                                         std::string_view baseFolder,
                                                                         std::string_view programDicFolder);

} // namespace kotoka
