#include "kotoka/inputs.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/text/encoding.h"

namespace kotoka {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 inside kotoka; std::filesystem takes them as such on every
// system through char8_t.
fs::path pathOf(const std::string& text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string fileNameOf(const fs::path& path)
{
    const std::u8string text = path.filename().u8string();
    return std::string(text.begin(), text.end());
}

struct Entry {
    std::string name;
    bool isFolder;
    bool operator<(const Entry& other) const { return name < other.name; }
};

// Adds the regular files under `folder` to `list`, their names under
// `relative`, in name order, each sub-folder's files where its name sorts.
void listFolder(const std::string& folder, const std::string& relative, InputList& list)
{
    std::vector<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(pathOf(folder), error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored; // an entry that vanished is no file to read
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            entries.push_back({fileNameOf(it->path()), true});
        else if (it->is_regular_file(ignored))
            entries.push_back({fileNameOf(it->path()), false});
    }
    if (error)
        list.failures.push_back(
            {ExitStatus::InputUnreadable, "the input folder " + folder + " cannot be read: " + error.message()});
    std::sort(entries.begin(), entries.end());
    for (const Entry& entry : entries) {
        const std::string path = sys::joinPath(folder, entry.name);
        const std::string name = relative.empty() ? entry.name : sys::joinPath(relative, entry.name);
        if (entry.isFolder)
            listFolder(path, name, list);
        else
            list.files.push_back({path, name});
    }
}

} // namespace

InputList listInputs(const std::vector<std::string>& arguments)
{
    InputList list;
    for (const std::string& argument : arguments) {
        if (!argument.empty() && sys::isFolder(argument))
            listFolder(argument, {}, list);
        else
            list.files.push_back({argument, sys::fileName(argument)});
    }
    return list;
}

// The bytes of a file: first those already held in memory, then the rest.
class InputSequence::FileBytes final : public ByteSource {
public:
    FileBytes(sys::InputFile& file, std::string_view held) : m_file(file), m_held(held) {}
    long read(char* buffer, std::size_t size, std::string& error) override
    {
        if (m_held.empty())
            return m_file.read(buffer, size, error);
        const std::size_t count = std::min(size, m_held.size());
        std::copy_n(m_held.data(), count, buffer);
        m_held.remove_prefix(count);
        return static_cast<long>(count);
    }

private:
    sys::InputFile& m_file;
    std::string_view m_held;
};

InputSequence::InputSequence(const std::vector<Input>& inputs, std::optional<Encoding> encoding)
    : m_inputs(inputs)
    , m_encoding(encoding)
{
}

InputSequence::~InputSequence() = default;

std::uint64_t InputSequence::bytesRead() const
{
    return m_before + (m_reader ? m_reader->bytesRead() : 0);
}

std::string InputSequence::cannotRead(const std::string& error) const
{
    const std::string& path = m_inputs[m_index].path;
    return (path.empty() ? std::string("the input") : "the input file " + path) + " cannot be read: " + error;
}

// Reads the open file whole to tell its encoding. A file that fits the
// buffer stays there for the reader; a larger one is read again from its start.
bool InputSequence::detect(Encoding& encoding, std::string& error)
{
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<char[]>(bufferSize); // not zeroed: only what is read is touched
    yomika::EncodingProbe probe;
    std::size_t held = 0;
    long count = 0;
    while (held < bufferSize && (count = m_file->read(m_buffer.get() + held, bufferSize - held, error)) > 0)
        held += static_cast<std::size_t>(count);
    probe.add(m_buffer.get(), held);
    if (count < 0)
        return false;
    m_held = std::string_view(m_buffer.get(), held);
    if (held == bufferSize) {
        m_held = {};
        while ((count = m_file->read(m_buffer.get(), bufferSize, error)) > 0)
            probe.add(m_buffer.get(), static_cast<std::size_t>(count));
        if (count < 0 || !m_file->seek(0, error))
            return false;
    }
    encoding = encodingOfBytes(probe.encoding());
    return true;
}

bool InputSequence::open(std::string& failure)
{
    const std::string& path = m_inputs[m_index].path;
    std::string error;
    m_file = std::make_unique<sys::InputFile>();
    if (!m_file->open(path, error)) {
        failure = cannotRead(error);
        return false;
    }
    Encoding encoding = m_encoding.value_or(Encoding::Utf8);
    m_held = {};
    if (!m_encoding && !path.empty() && sys::isRegularFile(path) && !detect(encoding, error)) {
        failure = cannotRead(error);
        return false;
    }
    m_bytes = std::make_unique<FileBytes>(*m_file, m_held);
    m_reader = std::make_unique<LineReader>(*m_bytes, decoderFor(encoding));
    return true;
}

Pipeline::Source::Status InputSequence::next(std::string_view& piece, bool& endsLine, std::string& failure)
{
    if (!m_reader) {
        if (m_index == m_inputs.size())
            return Status::End;
        if (!open(failure)) {
            m_file.reset();
            ++m_index;
            return Status::InputEnd;
        }
    }
    std::string error;
    const LineReader::Status status = m_reader->next(piece, endsLine, error);
    if (status == LineReader::Status::Piece)
        return Status::Piece;
    if (status == LineReader::Status::Error)
        failure = cannotRead(error);
    m_before += m_reader->bytesRead();
    m_reader.reset();
    m_bytes.reset();
    m_file.reset();
    ++m_index;
    return Status::InputEnd;
}

} // namespace kotoka
