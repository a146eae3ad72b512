// The files of system.h over the system calls of system_platform.h: which
// handles kotoka owns, and that an output it created is removed again when
// it is not complete.

#include "kotoka/system.h"

#include "kotoka/system_platform.h"

#include <random>

#include "core/files/fixednames.h"

namespace kotoka::sys {

std::string joinPath(std::string_view folder, std::string_view relative)
{
    std::string result(folder);
    if (!result.empty() && !platform::isSeparator(result.back()))
        result += platform::separator();
    result += relative;
    return result;
}

std::string fileName(std::string_view path)
{
    std::size_t start = path.size();
    while (start > 0 && !platform::isSeparator(path[start - 1]))
        --start;
    return std::string(path.substr(start));
}

bool sameFile(const std::string& a, const std::string& b)
{
    FileIdentity first, second;
    return fileIdentity(a, first) && fileIdentity(b, second) && first == second;
}

std::string userResourceFile()
{
    const std::string folder = platform::userSettingsFolder();
    return folder.empty() ? std::string() : joinPath(folder, yomika::fixedname::resourceFile);
}

InputFile::~InputFile()
{
    std::string ignored;
    if (m_owned)
        platform::closeHandle(m_handle, ignored);
}

bool InputFile::open(const std::string& path, std::string& error)
{
    if (path.empty()) {
        m_handle = platform::standardInput();
        m_owned = false;
        return true;
    }
    if (!platform::openToRead(path, m_handle, error))
        return false;
    m_owned = true;
    return true;
}

bool InputFile::seek(std::uint64_t offset, std::string& error)
{
    return platform::seekTo(m_handle, offset, error);
}

long InputFile::read(char* buffer, std::size_t size, std::string& error)
{
    return platform::readSome(m_handle, buffer, size, error);
}

OutputFile::~OutputFile()
{
    if (m_open)
        discard();
}

bool OutputFile::create(const std::string& path, std::string& error)
{
    if (path.empty()) {
        m_handle = platform::standardOutput();
        m_open = true;
        m_removable = false;
        return true;
    }
    bool removable = false;
    if (!platform::createToWrite(path, m_handle, removable, error))
        return false;
    m_removable = removable;
    m_path = path;
    m_open = true;
    return true;
}

bool OutputFile::createReplacing(const std::string& path, std::string& error)
{
    // A name no other file has, beside the target so that the rename stays
    // on one file system; hidden on systems that hide dot files.
    const std::string stem = joinPath(parentPath(path), "." + fileName(path) + ".");
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = stem + std::to_string(seed() % 1000000) + ".part";
        bool exists = false;
        if (platform::createNew(candidate, m_handle, exists, error)) {
            m_path = candidate;
            m_target = path;
            m_open = true;
            m_removable = true;
            return true;
        }
        if (!exists)
            return false;
    }
    return false; // `error` tells that the last name was taken
}

bool OutputFile::write(std::string_view bytes, std::string& error)
{
    while (!bytes.empty()) {
        const long written = platform::writeSome(m_handle, bytes.data(), bytes.size(), error);
        if (written < 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool OutputFile::close(std::string& error)
{
    if (!m_open)
        return true;
    m_open = false;
    if (m_path.empty())
        return true; // standard output stays open; its writes were checked one by one
    if (!platform::closeHandle(m_handle, error)) {
        discard();
        return false;
    }
    if (!m_target.empty() && !platform::replaceFile(m_path, m_target, error)) {
        platform::removeFile(m_path);
        return false;
    }
    m_removable = false;
    return true;
}

void OutputFile::discard()
{
    std::string ignored; // the file goes anyway
    if (m_open && !m_path.empty())
        platform::closeHandle(m_handle, ignored);
    m_open = false;
    if (m_removable)
        platform::removeFile(m_path);
    m_removable = false;
}

} // namespace kotoka::sys
