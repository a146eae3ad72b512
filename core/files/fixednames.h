#pragma once

#include <string_view>

// The names the window and the analyzer agree on, in plain C++ so that the
// analyzer, which links no Qt, reads them from here too.

namespace yomika::fixedname {

/// The folder of the program directory that holds the dictionary and the
/// analyzer's resource file.
inline constexpr std::string_view dictionaryFolder = "dic";
/// The analyzer's resource file, inside dictionaryFolder.
inline constexpr std::string_view resourceFile = "kotokarc";
/// What the resource file holds in place of the dictionary folder until the
/// window fills it in: the absolute dictionaryFolder.
inline constexpr std::string_view dictionaryPlaceholder = "%KOTDIC%";

} // namespace yomika::fixedname
