#pragma once

#include <string>
#include <vector>

#include "core/expected.h"
#include "kotoka/engine.h"
#include "kotoka/exitstatus.h"
#include "kotoka/options.h"
#include "kotoka/userwords.h"

// What a run analyzes with: the dictionary and the user words, chosen by the
// program's resource file (-r, or dic/kotokarc beside kotoka), then the
// user's own resource file, then the command line (-d, -u), each later one
// winning over the earlier for the settings it gives.

namespace kotoka {

struct Choice {
    std::string dictionary;              // the folder of the dictionary
    std::vector<std::string> userWordFiles;
};

/// The dictionary and the user words the resource files and `options`
/// choose. Fails with status 2 when a resource file cannot be read, 3 when
/// none names a dictionary, 4 when a named dictionary is not installed.
[[nodiscard]] yomika::Expected<Choice, Failure> choose(const Options& options);

/// Adds the words of each of `files` to `words`, in the layout of
/// `engine`, loaded from `dictionary`.
/// Fails with status 4 when the layout is unknown, 9 when a list cannot be
/// read or has a broken line (the message names the file and the line).
[[nodiscard]] yomika::Expected<void, Failure> loadUserWords(const std::vector<std::string>& files,
                                                            const Engine& engine, const std::string& dictionary,
                                                            UserWords& words);

} // namespace kotoka
