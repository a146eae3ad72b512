#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/expected.h"
#include "kotoka/layout.h"
#include "kotoka/morpheme.h"

// The output format given after -F: the text written for each morpheme.
//
//   %m         surface form
//   %M         base form
//   %y  %y1    reading
//   %a  %a1    pronunciation
//   %Pc        the part-of-speech levels that are not "*", joined by c
//   %U(x)      "未知語" for an unknown word, otherwise x (x may hold directives)
//   %Tc        inflection type, or c when the word does not inflect
//   %Fc        inflection form, or c when the word does not inflect
//   %f[N]      feature column N (0-based), unquoted; nothing for "*" or a
//              column the word lacks
//   %Fc[N,..]  the listed columns that are not "*", joined by c
//   %%         a percent sign
//   \t \n \\ \"   tab, line end, backslash, double quote
//
// c is any one character, an escape such as \t included. For an unknown
// word, and for a known one whose entry lacks the field, the base form,
// reading and pronunciation are the surface form. Which columns hold the
// six fields is the dictionary's layout (layout.h); %m, %U, %f and %Fc[..]
// need none, so they also work with a dictionary of unknown layout.

namespace kotoka {

/// The directives of the window's six fields, tab-separated: what kotoka
/// writes when no -F is given.
inline constexpr std::string_view defaultFormat = "%m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T \\t%F \\n";

/// What an unknown word shows in place of %U(...).
inline constexpr std::string_view unknownWordText = "未知語";

class Format {
public:
    /// Compiles `text` (UTF-8). `lineEnd` is what \n writes. Returns nothing
    /// when the text is malformed, with `error` set to a message that names
    /// the 1-based character position of the fault.
    static std::optional<Format> compile(std::string_view text, std::string_view lineEnd,
                                         std::string& error);

    /// Takes the six fields from `layout`'s columns (IPADIC's until then);
    /// the layout must outlive the format. Fails, with the message naming
    /// them, when the format has directives that need a known layout and
    /// `layout` is not known.
    [[nodiscard]] yomika::Expected<void, std::string> useLayout(const Layout& layout);

    /// Appends the text for `morpheme` to `out`; cannot fail.
    void render(const Morpheme& morpheme, std::string& out) const;

private:
    enum class Op : std::uint8_t {
        Literal,
        Surface,
        Base,
        Reading,
        Pronunciation,
        PartOfSpeech,
        InflectionType,
        InflectionForm,
        UnknownBegin, // jumps to `skip` for an unknown word
        UnknownEnd,
        Column,     // %f[N]
        ColumnList, // %Fc[N,M,...]
    };
    struct Instruction {
        Op op;
        std::string text;   // the literal, the joiner of %P and %Fc[..], the stand-in of %T and %F
        std::uint32_t skip; // for UnknownBegin: the index after its UnknownEnd; for Column: N
        std::vector<std::uint32_t> columns = {}; // for ColumnList
    };

    static bool needsLayout(Op op);
    void renderBase(const Morpheme& morpheme, const FeatureFields& fields, std::string& out) const;
    void renderColumns(const Instruction& instruction, const FeatureFields& fields, std::string& out) const;

    std::vector<Instruction> m_code;
    const Layout* m_layout = &ipadicLayout();
    std::size_t m_columnsNeeded = 0; // how many columns render splits
    std::size_t m_rawColumns = 0;    // of those, what %f and %Fc[..] need
};

} // namespace kotoka
