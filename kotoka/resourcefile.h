#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/expected.h"

// The resource file named after -r, dic/kotokarc in the program directory.
// A text file in UTF-8 (older ones in Windows-932), one setting per line:
//
//   # comment (also ; comment)
//   dicdir %KOTDIC%/ipadic
//
// A setting is a name, blanks (or " = ") and a value running to the end of
// the line; blanks around the value and a pair of double quotes around it
// are dropped. Names kotoka does not know are passed over. The window
// replaces %KOTDIC% (fixedname::dictionaryPlaceholder) with the absolute dic
// folder on its first start; until then kotoka reads it as the folder of the
// resource file, which is that dic folder, so a fresh build runs on its own.
// A relative dicdir is taken from the folder of the resource file. dicdir
// may also be a dictionary's name (dictionaries.h). userdic names files of
// user words, separated by commas. The first line of each name counts.

namespace kotoka {

struct ResourceSettings {
    std::string folder;                 // of the resource file: relative values start there
    std::optional<std::string> dicdir;  // as written, the placeholder filled in; "" names nothing
    std::string dicdirBase;             // where a relative dicdir starts: `folder`, or "" once filled in
    std::optional<std::string> userdic; // as written
};

/// The settings of `text` (UTF-8), the resource file at `resourcePath`;
/// cannot fail (a missing setting is missing from the result).
[[nodiscard]] ResourceSettings parseResourceSettings(std::string_view text, std::string_view resourcePath);

/// The files a userdic value names, split at commas, blanks around each
/// dropped and relative ones taken from `folder`; cannot fail.
[[nodiscard]] std::vector<std::string> userWordFiles(std::string_view userdic, std::string_view folder);

} // namespace kotoka
