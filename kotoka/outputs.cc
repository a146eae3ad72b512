#include "kotoka/outputs.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

namespace kotoka {

void Failures::add(ExitStatus status, const std::string& message)
{
    std::fprintf(stderr, "kotoka: %s\n", message.c_str());
    if (!m_first)
        m_first = status;
}

std::vector<Input> withoutOutputFile(const std::vector<Input>& inputs, const std::string& outputFile, Failures& failures)
{
    std::vector<Input> kept;
    for (const Input& input : inputs) {
        if (!outputFile.empty() && !input.path.empty() && sys::sameFile(input.path, outputFile))
            failures.add(ExitStatus::OutputFailed, "the output file " + outputFile + " is the input file");
        else
            kept.push_back(input);
    }
    return kept;
}

std::vector<Input> withOwnOutputs(const std::vector<Input>& inputs, const std::string& folder, Failures& failures)
{
    std::set<sys::FileIdentity> inputFiles;
    for (const Input& input : inputs)
        if (sys::FileIdentity identity; sys::fileIdentity(input.path, identity))
            inputFiles.insert(identity);
    std::map<std::string, const Input*> outputs;
    std::vector<Input> kept;
    for (const Input& input : inputs) {
        const std::string output = sys::joinPath(folder, input.name);
        sys::FileIdentity identity;
        if (sys::fileIdentity(output, identity) && inputFiles.count(identity)) {
            failures.add(ExitStatus::OutputFailed, "the output file " + output + " of " + input.path + " is an input file");
        } else if (const auto [earlier, added] = outputs.emplace(output, &input); !added) {
            failures.add(ExitStatus::OutputFailed,
                         "the output file " + output + " of " + input.path + " is already that of " + earlier->second->path);
        } else {
            kept.push_back(input);
        }
    }
    return kept;
}

JoinedOutput::JoinedOutput(std::string path, Failures& failures, ProgressReport& progress)
    : m_path(std::move(path))
    , m_failures(failures)
    , m_progress(progress)
{
}

std::string JoinedOutput::name() const
{
    return m_path.empty() ? std::string("standard output") : m_path;
}

bool JoinedOutput::create(std::string& error)
{
    if (m_created)
        return true;
    // From here on the output exists: every failure removes it, so whoever
    // waits for it never takes a torn result for a whole one.
    if (!m_file.create(m_path, error)) {
        error = "the output file " + m_path + " cannot be created: " + error;
        return false;
    }
    m_created = true;
    return true;
}

bool JoinedOutput::write(std::string_view bytes, std::string& error)
{
    if (!create(error))
        return false;
    if (m_file.write(bytes, error))
        return true;
    error = "writing " + name() + " failed: " + error;
    return false;
}

bool JoinedOutput::endInput(const std::string& failure, std::string& error)
{
    if (!failure.empty()) {
        m_failures.add(ExitStatus::InputUnreadable, failure);
        return true;
    }
    m_someWhole = true;
    return create(error);
}

bool JoinedOutput::finish(bool completed)
{
    // An output that holds no input whole goes; with no input at all it
    // is made empty, unless a failure left the inputs out.
    if (!completed || (m_created && !m_someWhole) || (!m_created && m_failures.first())) {
        m_file.discard();
        return false;
    }
    std::string error;
    if (!create(error)) {
        m_failures.add(ExitStatus::OutputFailed, error);
        return false;
    }
    if (!m_file.close(error)) {
        m_failures.add(ExitStatus::OutputFailed, "writing " + name() + " failed: " + error);
        return false;
    }
    return true;
}

FolderOutputs::FolderOutputs(std::string folder, const std::vector<Input>& inputs, Failures& failures,
                             ProgressReport& progress)
    : m_folder(std::move(folder))
    , m_inputs(inputs)
    , m_failures(failures)
    , m_progress(progress)
{
}

std::string FolderOutputs::currentPath() const
{
    return sys::joinPath(m_folder, m_inputs[m_index].name);
}

void FolderOutputs::begin()
{
    const std::string path = currentPath();
    const std::string folder = sys::parentPath(path);
    std::string error;
    if (folder != m_madeFolder) {
        std::error_code made;
        std::filesystem::create_directories(std::filesystem::path(std::u8string(folder.begin(), folder.end())), made);
        if (made) {
            m_failures.add(ExitStatus::OutputFailed, "the output file " + path + " cannot be created: " + made.message());
            m_failed = true;
            return;
        }
        m_madeFolder = folder;
    }
    m_file.emplace();
    if (!m_file->createReplacing(path, error)) {
        m_failures.add(ExitStatus::OutputFailed, "the output file " + path + " cannot be created: " + error);
        m_failed = true;
    }
}

bool FolderOutputs::write(std::string_view bytes, std::string&)
{
    if (!m_file && !m_failed)
        begin();
    if (m_failed)
        return true;
    if (std::string error; !m_file->write(bytes, error)) {
        m_failures.add(ExitStatus::OutputFailed, "writing " + currentPath() + " failed: " + error);
        m_file->discard();
        m_failed = true;
    }
    return true;
}

bool FolderOutputs::endInput(const std::string& failure, std::string&)
{
    if (!failure.empty()) {
        m_failures.add(ExitStatus::InputUnreadable, failure);
        if (m_file)
            m_file->discard();
    } else {
        if (!m_file && !m_failed)
            begin();
        if (std::string error; !m_failed && !m_file->close(error))
            m_failures.add(ExitStatus::OutputFailed, "writing " + currentPath() + " failed: " + error);
    }
    m_file.reset();
    m_failed = false;
    ++m_index;
    return true;
}

BackgroundSink::BackgroundSink(Pipeline::Sink& sink)
    : m_sink(sink)
{
    try {
        m_thread = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        // No thread to be had: the calls are carried out as they come.
    }
}

BackgroundSink::~BackgroundSink()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool BackgroundSink::carryOut(Call& call)
{
    switch (call.kind) {
    case Call::Kind::Write: return m_sink.write(call.text, m_error);
    case Call::Kind::EndInput: return m_sink.endInput(call.text, m_error);
    case Call::Kind::Consumed: m_sink.consumed(call.inputRead); return true;
    }
    return true;
}

bool BackgroundSink::queue(Call call, std::string& error)
{
    std::unique_lock lock(m_mutex);
    if (!m_thread.joinable() && !m_failed)
        m_failed = !carryOut(call);
    if (m_failed) {
        error = m_error;
        return false;
    }
    if (!m_thread.joinable())
        return true;
    m_changed.wait(lock, [&] { return m_waitingBytes < waitingBound || m_failed; });
    m_waitingBytes += call.text.size();
    m_calls.push_back(std::move(call));
    m_changed.notify_all();
    return true;
}

bool BackgroundSink::write(std::string_view bytes, std::string& error)
{
    return queue({Call::Kind::Write, std::string(bytes)}, error);
}

bool BackgroundSink::endInput(const std::string& failure, std::string& error)
{
    return queue({Call::Kind::EndInput, failure}, error);
}

void BackgroundSink::consumed(std::uint64_t inputRead)
{
    std::string ignored; // a failure shows at the next write or end
    queue({Call::Kind::Consumed, {}, inputRead}, ignored);
}

void BackgroundSink::drain()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return (m_calls.empty() && !m_busy) || !m_thread.joinable(); });
}

void BackgroundSink::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || !m_calls.empty(); });
        if (m_calls.empty())
            return; // stopping, with nothing left to carry out
        Call call = std::move(m_calls.front());
        m_calls.pop_front();
        m_busy = true;
        const bool dropped = m_failed;
        lock.unlock();
        const bool done = dropped || carryOut(call);
        lock.lock();
        m_busy = false;
        m_failed = m_failed || !done;
        m_waitingBytes -= call.text.size();
        m_changed.notify_all();
    }
}

} // namespace kotoka
