#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <mecab.h>

#include "core/expected.h"
#include "kotoka/layout.h"
#include "kotoka/morpheme.h"

// The morphological analysis engine: MeCab with a UTF-8 dictionary, whose
// layout (IPADIC, NAIST-jdic, UniDic or unknown) it tells from the dictionary.
// The dictionary is loaded once and shared; each analyzing thread has an
// Analyzer of its own (MeCab's tagger and lattice) over it.

namespace kotoka {

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    /// Loads the compiled dictionary in `dicdir` and tells its layout.
    /// Fails, with the message, when it is missing, damaged or not UTF-8.
    [[nodiscard]] yomika::Expected<void, std::string> load(const std::string& dicdir);

    /// The loaded dictionary's layout; Unknown when it is none kotoka
    /// knows (or before a load).
    [[nodiscard]] const Layout& layout() const { return m_layout; }

    /// The engine's version text.
    static std::string version();

    /// The most columns of the loaded dictionary's entries.
    [[nodiscard]] std::size_t columns() const { return m_columns; }

private:
    friend class Analyzer;
    yomika::Expected<void, std::string> detect(const std::string& dicdir, const std::string& dictionaryResource);

    std::unique_ptr<MeCab::Model> m_model;
    Layout m_layout;
    std::size_t m_columns = 0;
};

/// Analyzes sentences with a loaded Engine, from one thread at a time. The
/// engine must outlive it.
class Analyzer {
public:
    Analyzer();
    ~Analyzer();
    Analyzer(const Analyzer&) = delete;
    Analyzer& operator=(const Analyzer&) = delete;

    /// Readies the analyzer over `engine`'s dictionary. Fails, with the
    /// message, when the engine cannot make one (out of memory).
    yomika::Expected<void, std::string> start(const Engine& engine);

    /// Analyzes `sentence` (UTF-8) as one sentence and calls `visit` with
    /// each morpheme in order. Fails, with the message, when the engine
    /// fails. An empty sentence has no morphemes.
    template <typename Visitor>
    yomika::Expected<void, std::string> analyze(std::string_view sentence, Visitor&& visit)
    {
        if (sentence.empty())
            return {};
        if (auto parsed = parse(sentence); !parsed)
            return parsed;
        for (const MeCab::Node* node = m_lattice->bos_node()->next;
             node && node->stat != MECAB_EOS_NODE; node = node->next) {
            visit(Morpheme{std::string_view(node->surface, node->length),
                           node->feature ? std::string_view(node->feature) : std::string_view(),
                           node->stat == MECAB_UNK_NODE});
        }
        return {};
    }

private:
    yomika::Expected<void, std::string> parse(std::string_view sentence);

    std::unique_ptr<MeCab::Tagger> m_tagger;
    std::unique_ptr<MeCab::Lattice> m_lattice;
};

} // namespace kotoka
