#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kotoka/codec.h"
#include "kotoka/exitstatus.h"
#include "kotoka/linereader.h"
#include "kotoka/pipeline.h"
#include "kotoka/system.h"

// What kotoka reads: the files and folders of the command line, each file
// read as the window reads it. Without --encoding a file's encoding is
// decided over all its bytes by the window's rule (core/text/encoding.h),
// in a pass of its own before it is analyzed (a file of up to 1 MB is
// read once and kept for it); standard input, and any file
// that is not a regular one (a pipe, a device), cannot be read twice and is
// read as UTF-8, a byte-order mark skipped.

namespace kotoka {

struct Input {
    std::string path; // empty: standard input
    std::string name; // its path under --output-dir: the file's own name, or its path inside the folder given
};

struct InputList {
    std::vector<Input> files;
    std::vector<Failure> failures; // folders that could not be read, wholly or in part
};

/// The files `arguments` name, in their order: a file as it is (whether or
/// not it exists), a folder's regular files, recursively, in the order of
/// their paths inside it, and "" for standard input. Symbolic links to files
/// are followed, links to folders are not. A folder that cannot be read is a
/// failure; what could be listed is still listed.
InputList listInputs(const std::vector<std::string>& arguments);

/// The inputs one after another, as pieces for the pipeline. An input that
/// cannot be opened or read ends with the failure's message, naming it.
class InputSequence final : public Pipeline::Source {
public:
    /// Reads `inputs` (which must outlive the sequence) in `encoding`, or
    /// without one, each in its own.
    InputSequence(const std::vector<Input>& inputs, std::optional<Encoding> encoding);
    ~InputSequence() override;

    Status next(std::string_view& piece, bool& endsLine, std::string& failure) override;
    std::uint64_t bytesRead() const override;

private:
    bool open(std::string& failure);
    bool detect(Encoding& encoding, std::string& error);
    std::string cannotRead(const std::string& error) const;

    class FileBytes;
    const std::vector<Input>& m_inputs;
    const std::optional<Encoding> m_encoding;
    std::size_t m_index = 0; // the input being read
    std::unique_ptr<sys::InputFile> m_file;
    std::unique_ptr<FileBytes> m_bytes;
    std::unique_ptr<LineReader> m_reader;
    std::uint64_t m_before = 0; // the bytes of the inputs before the current one
    static constexpr std::size_t bufferSize = 1 << 20;
    std::unique_ptr<char[]> m_buffer; // what detect() read
    std::string_view m_held;          // a whole file in m_buffer, when it fits

};

} // namespace kotoka
