#include "kotoka/progress.h"

#include <cstdlib>
#include <string>

namespace kotoka {
namespace {

constexpr auto reportInterval = std::chrono::milliseconds(100);

} // namespace

ProgressReport::ProgressReport()
{
    const char* name = std::getenv("KOTOKA_PROGRESS_FD");
    m_enabled = name && sys::platform::writableHandle(name, m_handle);
    m_last = Clock::now();
}

void ProgressReport::update(std::uint64_t consumed)
{
    if (!m_enabled || consumed <= m_reported)
        return;
    const Clock::time_point now = Clock::now();
    if (now - m_last < reportInterval)
        return;
    m_last = now;
    write(consumed);
}

void ProgressReport::finish(std::uint64_t total)
{
    if (m_enabled)
        write(total);
}

void ProgressReport::write(std::uint64_t value)
{
    // One short write, so that a reader of a pipe never sees half a line.
    const std::string line = std::to_string(value) + '\n';
    std::string error;
    if (sys::platform::writeSome(m_handle, line.data(), line.size(), error) != static_cast<long>(line.size()))
        m_enabled = false;
    m_reported = value;
}

} // namespace kotoka
