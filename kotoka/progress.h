#pragma once

#include <chrono>
#include <cstdint>

#include "kotoka/system_platform.h"

// Progress for whoever started kotoka, on a channel the command line does
// not need: when the environment variable KOTOKA_PROGRESS_FD names an open,
// writable file descriptor (a handle number on Windows), kotoka writes there
// the input bytes consumed so far as a decimal line ("123456\n"), at most
// about ten times a second, and the input's size once it has finished.
// Without the variable nothing is written. A failed write ends the reports,
// never the run.

namespace kotoka {

class ProgressReport {
public:
    /// Looks the channel up in the environment.
    ProgressReport();

    /// Reports `consumed` when the last report is a tenth of a second old
    /// and `consumed` has grown since.
    void update(std::uint64_t consumed);

    /// Reports the input's size once the output is complete.
    void finish(std::uint64_t total);

private:
    void write(std::uint64_t value);

    using Clock = std::chrono::steady_clock;
    sys::platform::Handle m_handle = 0;
    bool m_enabled = false;
    Clock::time_point m_last;
    std::uint64_t m_reported = 0;
};

} // namespace kotoka
