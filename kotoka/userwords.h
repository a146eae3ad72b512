#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/expected.h"
#include "kotoka/layout.h"

// The user's own words, from lists of one word a line:
//
//   # surface,reading,part of speech,base form,pronunciation
//   スカイツリー,スカイツリー,名詞-固有名詞-一般
//   "Yomika, 2",ヨミカ
//
// CSV: a field in double quotes may hold commas, "" in it stands for one
// quote. Only the surface is needed; a missing or empty field takes its
// default: the reading is the surface, the pronunciation the reading, the
// base form the surface, the part of speech 名詞-固有名詞-一般 (up to four
// levels joined by "-"). Lines starting with # and blank lines are passed
// over. Wherever a listed surface occurs in a line it is one morpheme with
// these fields, written into the columns the dictionary's layout gives
// them; the text between such words is analyzed as before, each stretch as
// a sentence of its own. Where listed words overlap, the one that starts
// first wins, and of those the longest; a surface listed twice takes the
// fields of its last line.

namespace kotoka {

struct UserWord {
    std::string surface;
    std::string feature; // the CSV feature text in the dictionary's layout
};

class UserWords {
public:
    /// The part of speech of a word whose line gives none.
    static constexpr std::string_view defaultPartOfSpeech = "名詞-固有名詞-一般";

    /// Adds the words of `text` (UTF-8), the list in `file`, with their
    /// feature in `layout`, which must be known. Fails, with a message
    /// "FILE:LINE: what", at the first broken line (an unterminated quote,
    /// text after a closing quote, an empty surface, more than five fields,
    /// more than four part-of-speech levels); then nothing of `text` is added.
    [[nodiscard]] yomika::Expected<void, std::string> add(std::string_view text, const std::string& file,
                                                          const Layout& layout);

    [[nodiscard]] bool empty() const { return m_words.empty(); }

    /// Splits `sentence` into stretches of text and listed words, in order:
    /// calls `part(text, nullptr)` for a stretch and `part(surface, &word)`
    /// for a word, until `part` returns false. Returns whether every part
    /// was taken.
    template <typename Part>
    bool split(std::string_view sentence, Part&& part) const
    {
        std::size_t textStart = 0;
        for (std::size_t i = 0; i < sentence.size(); ++i) {
            if ((static_cast<unsigned char>(sentence[i]) & 0xC0) == 0x80)
                continue; // inside a character: no word starts here
            const UserWord* word = match(sentence.substr(i));
            if (!word)
                continue;
            if (i > textStart && !part(sentence.substr(textStart, i - textStart), nullptr))
                return false;
            if (!part(sentence.substr(i, word->surface.size()), word))
                return false;
            textStart = i + word->surface.size();
            i = textStart - 1;
        }
        return textStart >= sentence.size() || part(sentence.substr(textStart), nullptr);
    }

private:
    static std::size_t characterLength(std::string_view text, std::size_t at);
    static std::uint64_t startKey(std::string_view text, std::size_t length);
    static std::size_t startBit(std::uint64_t key);
    const UserWord* match(std::string_view text) const;
    void index();

    std::vector<UserWord> m_words;
    std::unordered_map<std::string, std::size_t> m_bySurface;
    // An index of the words by their first two characters, longest first,
    // and a bit for each such pair (by a hash): at most places of a text one
    // bit test tells that no word starts there. The engine's own dictionary
    // index is not open to callers, and the list is small enough for this
    // to be built anew at each start.
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> m_byStart;
    std::bitset<262144> m_starts; // 32 KB: few false hits for 10,000 words
    std::unordered_map<std::uint64_t, std::uint32_t> m_oneCharacter; // words of one character
};

} // namespace kotoka
