#pragma once

#include <string>
#include <string_view>

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
// A relative dicdir is taken from the folder of the resource file.

namespace kotoka {

/// Reads the dictionary folder, resolved, from `text` (UTF-8) of the
/// resource file at `resourcePath`. Fails, with the message, when no dicdir
/// line is present or when its value is empty.
yomika::Expected<std::string, std::string> parseResourceFile(std::string_view text, std::string_view resourcePath);

} // namespace kotoka
