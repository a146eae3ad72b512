#pragma once

#include <string>
#include <string_view>

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
// A relative dicdir is taken from the folder of the resource file.

namespace kotoka {

struct ResourceSettings {
    std::string dicdir; // the dictionary folder, resolved; empty on failure
    std::string error;  // why there is no usable dicdir
};

/// Reads the settings from `text` (UTF-8) of the resource file at
/// `resourcePath`. Fails, with `error` set, when no dicdir line is present
/// or when its value is empty.
ResourceSettings parseResourceFile(std::string_view text, std::string_view resourcePath);

} // namespace kotoka
