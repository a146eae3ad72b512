#include "kotoka/engine.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "kotoka/system.h"

namespace kotoka {

Engine::Engine() = default;
Engine::~Engine() = default;

yomika::Expected<void, std::string> Engine::load(const std::string& dicdir)
{
    using yomika::Unexpected;
    const std::string systemDictionary = sys::joinPath(dicdir, "sys.dic");
    const std::string dictionaryResource = sys::joinPath(dicdir, "dicrc");
    if (!sys::isRegularFile(systemDictionary) || !sys::isRegularFile(dictionaryResource))
        return Unexpected("no dictionary in " + dicdir + " (sys.dic and dicrc are needed)");

    // The engine reads its settings from the dictionary's own dicrc, so it
    // needs no configuration of the system's. The arguments go as a list,
    // so folders with blanks stay whole.
    std::string dicdirOption = "--dicdir=" + dicdir;
    std::string rcfileOption = "--rcfile=" + dictionaryResource;
    std::string program = "kotoka";
    std::vector<char*> argv = {program.data(), dicdirOption.data(), rcfileOption.data()};
    m_model.reset(MeCab::createModel(static_cast<int>(argv.size()), argv.data()));
    if (!m_model)
        return Unexpected("the dictionary in " + dicdir + " cannot be loaded: " + MeCab::getLastError());
    const MeCab::DictionaryInfo* info = m_model->dictionary_info();
    std::string charset = info && info->charset ? info->charset : "";
    std::transform(charset.begin(), charset.end(), charset.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (charset != "utf-8" && charset != "utf8") {
        m_model.reset();
        return Unexpected("the dictionary in " + dicdir + " is in "
                          + (charset.empty() ? "an unknown charset" : charset) + ", not UTF-8");
    }
    return detect(dicdir, dictionaryResource);
}

yomika::Expected<void, std::string> Engine::detect(const std::string& dicdir, const std::string& dictionaryResource)
{
    const auto columns = entryColumns(dicdir);
    if (!columns) {
        m_model.reset();
        return yomika::Unexpected(columns.error());
    }
    std::string dicrc;
    sys::InputFile file;
    std::string error;
    if (!file.open(dictionaryResource, error)) {
        m_model.reset();
        return yomika::Unexpected("the dictionary's " + dictionaryResource + " cannot be read: " + error);
    }
    char buffer[4096];
    for (long count; (count = file.read(buffer, sizeof buffer, error)) > 0 && dicrc.size() < (1u << 20);)
        dicrc.append(buffer, static_cast<std::size_t>(count));
    m_layout = detectLayout(dicrc, *columns);
    m_columns = *columns;
    return {};
}

Analyzer::Analyzer() = default;
Analyzer::~Analyzer()
{
    // The lattice was made for the tagger: release it first.
    m_lattice.reset();
    m_tagger.reset();
}

yomika::Expected<void, std::string> Analyzer::start(const Engine& engine)
{
    m_tagger.reset(engine.m_model->createTagger());
    m_lattice.reset(engine.m_model->createLattice());
    if (!m_tagger || !m_lattice)
        return yomika::Unexpected(std::string("the engine cannot start: ") + MeCab::getLastError());
    return {};
}

yomika::Expected<void, std::string> Analyzer::parse(std::string_view sentence)
{
    m_lattice->set_sentence(sentence.data(), sentence.size());
    if (!m_tagger->parse(m_lattice.get()))
        return yomika::Unexpected(std::string("the engine failed: ") + m_lattice->what());
    return {};
}

std::string Engine::version()
{
    return MeCab::Model::version();
}

} // namespace kotoka
