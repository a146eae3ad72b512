#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <mecab.h>

#include "core/expected.h"
#include "kotoka/morpheme.h"

// The morphological analysis engine: MeCab with a UTF-8 IPADIC dictionary.
// The dictionary is loaded once and shared; each analyzing thread has an
// Analyzer of its own (MeCab's tagger and lattice) over it.

namespace kotoka {

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    /// Loads the compiled dictionary in `dicdir`. Fails, with the message,
    /// when it is missing, damaged or not UTF-8.
    yomika::Expected<void, std::string> load(const std::string& dicdir);

    /// The engine's version text.
    static std::string version();

private:
    friend class Analyzer;
    std::unique_ptr<MeCab::Model> m_model;
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
