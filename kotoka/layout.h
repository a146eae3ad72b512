#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/expected.h"

// Where a dictionary keeps the six fields in its feature columns (0-based).
// IPADIC and NAIST-jdic: part of speech 0-3, inflection type and form 4, 5,
// base form 6, reading 7, pronunciation 8 (NAIST-jdic adds spelling variants
// 9 and the compound structure 10). UniDic: part of speech 0-3, inflection
// 4, 5, spelling as written 8, pronunciation 9, spelling of the base form 10
// and kana as written 20 (17 in UniDic 2.1, which has 26 columns).

namespace kotoka {

enum class LayoutKind { Unknown, Ipadic, NaistJdic, Unidic2, Unidic3 };

struct Layout {
    LayoutKind kind = LayoutKind::Unknown;
    std::string_view name;          // as messages and the About box show it
    std::size_t columns = 0;        // of a full entry
    std::size_t baseForm = 0;
    std::size_t reading = 0;
    std::size_t pronunciation = 0;
    // UniDic spells its base form in full-width letters: when the entry's
    // spelling as written (this column) equals its base form, the surface
    // is written instead. npos: no such rule.
    std::size_t surfaceSpelling = npos;

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    [[nodiscard]] bool known() const { return kind != LayoutKind::Unknown; }
};

/// The layout of IPADIC, which also stands for a format not yet bound to a
/// dictionary; cannot fail.
[[nodiscard]] const Layout& ipadicLayout();

/// The layout a dictionary declares: `dicrc` is the text of its dicrc,
/// `columns` the most columns its entries have. UniDic names itself in the
/// dicrc's output-format-type; IPADIC has 9 columns, NAIST-jdic 11. Anything
/// else gives the Unknown layout; cannot fail.
[[nodiscard]] Layout detectLayout(std::string_view dicrc, std::size_t columns);

/// The number of CSV columns of one feature text (quoted fields may hold
/// commas); cannot fail.
[[nodiscard]] std::size_t columnCount(std::string_view feature);

/// The most columns among the first entries of the compiled dictionary in
/// `dicdir` (its sys.dic). Fails, with the message, when the file cannot be
/// read or is not a MeCab system dictionary.
[[nodiscard]] yomika::Expected<std::size_t, std::string> entryColumns(const std::string& dicdir);

} // namespace kotoka
