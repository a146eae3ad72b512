#pragma once

#include <string>
#include <vector>

#include "kotoka/exitstatus.h"

// One run of kotoka, from the command line to the exit status. main only
// hands the arguments over.

namespace kotoka {

/// Runs kotoka with the arguments after the program name (UTF-8). Writes
/// help and version to standard output and every failure, as one message,
/// to standard error. Returns the run's ExitStatus; on any failure no
/// output file is left behind.
ExitStatus run(const std::vector<std::string>& arguments);

} // namespace kotoka
