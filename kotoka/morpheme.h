#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// One morpheme as the engine gives it, and the columns of its feature text.
// The features are CSV; which column holds what is the dictionary's layout
// (layout.h). Unknown words carry fewer columns than the dictionary's
// entries, so every column may be missing.

namespace kotoka {

struct Morpheme {
    std::string_view surface;
    std::string_view feature; // the CSV text
    bool unknown = false;     // not in the dictionary: the engine guessed it
};

/// The columns a feature text is split into at most; the format refuses
/// higher column numbers.
inline constexpr std::size_t maximumColumns = 64;

/// The fields of a feature text. A field in double quotes may hold commas,
/// and "" in it stands for one quote, as in the dictionary's sources.
class FeatureFields {
public:
    /// Splits the first `columns` columns of `csv` (at most
    /// maximumColumns); the rest is ignored. The views refer to `csv` (or to
    /// this object for quoted fields): keep both alive. Cannot fail.
    void parse(std::string_view csv, std::size_t columns);

    /// How many columns were split.
    std::size_t size() const { return m_count; }

    /// The field, or an empty view when the feature text has no such field.
    std::string_view field(std::size_t which) const
    {
        return which < m_count ? m_fields[which] : std::string_view();
    }

    /// The field, or `fallback` when it is missing, empty or "*".
    std::string_view fieldOr(std::size_t which, std::string_view fallback) const
    {
        const std::string_view f = field(which);
        return f.empty() || f == "*" ? fallback : f;
    }

private:
    std::array<std::string_view, maximumColumns> m_fields;
    std::size_t m_count = 0;
    std::string m_unquoted;
};

} // namespace kotoka
