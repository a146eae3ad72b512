#include "kotoka/choice.h"

#include "core/files/fixednames.h"
#include "kotoka/codec.h"
#include "kotoka/dictionaries.h"
#include "kotoka/resourcefile.h"
#include "kotoka/system.h"

namespace kotoka {
namespace {

// A resource file is a few lines; anything this large is not one.
constexpr std::size_t resourceFileLimit = 1024 * 1024;
// A list of user words may hold a few hundred thousand words.
constexpr std::size_t userWordsLimit = 256 * 1024 * 1024;

using yomika::Expected;
using yomika::Unexpected;

Unexpected<Failure> fail(ExitStatus status, std::string message)
{
    return Unexpected(Failure{status, std::move(message)});
}

// The bytes of the file `path` of at most `limit` bytes, or why not; `what`
// names the file in the message.
Expected<std::string, std::string> readBytes(const std::string& path, const std::string& what, std::size_t limit)
{
    const std::string unreadable = what + " " + path + " cannot be read: ";
    if (!sys::isRegularFile(path))
        return Unexpected(unreadable + "it is missing or not a file");
    sys::InputFile file;
    std::string error;
    if (!file.open(path, error))
        return Unexpected(unreadable + error);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const long count = file.read(buffer, sizeof buffer, error);
        if (count < 0)
            return Unexpected(unreadable + error);
        if (count == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(count));
        if (bytes.size() > limit)
            return Unexpected(what + " " + path + " is too large to be one");
    }
}

// The settings of the resource file `path`, or the failure (status 2).
Expected<ResourceSettings, Failure> readSettings(const std::string& path)
{
    const auto bytes = readBytes(path, "the resource file", resourceFileLimit);
    if (!bytes)
        return fail(ExitStatus::ResourceUnreadable, bytes.error());
    std::string text;
    decodeResourceText(*bytes, text);
    return parseResourceSettings(text, path);
}

// Where the dictionary setting came from, for the messages.
struct DictionarySetting {
    std::optional<std::string> value;
    std::string base;
    std::string source;
};

} // namespace

Expected<Choice, Failure> choose(const Options& options)
{
    const std::string folder = sys::executableDirectory();
    const std::string programDic = sys::joinPath(folder.empty() ? "." : folder, yomika::fixedname::dictionaryFolder);
    const std::string programPath =
        options.resourceFile.empty() ? sys::joinPath(programDic, yomika::fixedname::resourceFile) : options.resourceFile;
    DictionarySetting dictionary;
    Choice choice;
    std::vector<std::string> resourceFiles{programPath};
    if (const std::string own = sys::userResourceFile(); !own.empty() && (sys::isRegularFile(own) || sys::isFolder(own)))
        resourceFiles.push_back(own);
    for (const std::string& path : resourceFiles) {
        const auto settings = readSettings(path);
        if (!settings)
            return Unexpected(settings.error());
        if (settings->dicdir)
            dictionary = {settings->dicdir, settings->dicdirBase, "the dicdir line of the resource file " + path};
        if (settings->userdic)
            choice.userWordFiles = userWordFiles(*settings->userdic, settings->folder);
    }
    if (options.dictionary)
        dictionary = {options.dictionary, "", "option -d"};
    if (!options.userWordFiles.empty())
        choice.userWordFiles = options.userWordFiles;

    if (!dictionary.value)
        return fail(ExitStatus::ResourceIncomplete,
                    "the resource file " + programPath + " has no dicdir line naming the dictionary folder");
    if (dictionary.value->empty())
        return fail(ExitStatus::ResourceIncomplete, dictionary.source + " names no folder");
    auto resolved = resolveDictionary(*dictionary.value, dictionary.base, programDic);
    if (!resolved)
        return fail(ExitStatus::DictionaryFailed, resolved.error());
    choice.dictionary = std::move(*resolved);
    return choice;
}

Expected<void, Failure> loadUserWords(const std::vector<std::string>& files, const Engine& engine,
                                      const std::string& dictionary, UserWords& words)
{
    if (files.empty())
        return {};
    if (!engine.layout().known())
        return fail(ExitStatus::DictionaryFailed, "user words need a dictionary of known layout (IPADIC, NAIST-jdic, "
                                                  "UniDic); the one in " + dictionary + " has entries of "
                                                      + std::to_string(engine.columns()) + " columns");
    for (const std::string& file : files) {
        const auto bytes = readBytes(file, "the list of user words", userWordsLimit);
        if (!bytes)
            return fail(ExitStatus::UserWordsBroken, bytes.error());
        if (const auto added = words.add(*bytes, file, engine.layout()); !added)
            return fail(ExitStatus::UserWordsBroken, "the list of user words is broken: " + added.error());
    }
    return {};
}

} // namespace kotoka
