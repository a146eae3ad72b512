#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// One morpheme as the engine gives it, and the IPADIC fields of its feature
// text. IPADIC's features are CSV: four part-of-speech levels, inflection
// type, inflection form, base form, reading, pronunciation. Unknown words and
// a few symbols carry only the first seven, so every field may be missing.

namespace kotoka {

struct Morpheme {
    std::string_view surface;
    std::string_view feature; // the CSV text
    bool unknown = false;     // not in the dictionary: the engine guessed it
};

enum FeatureField : std::size_t {
    Pos1 = 0,
    Pos2,
    Pos3,
    Pos4,
    InflectionType,
    InflectionForm,
    BaseForm,
    Reading,
    Pronunciation,
    FeatureFieldCount
};

/// The fields of a feature text. A field in double quotes may hold commas,
/// and "" in it stands for one quote, as in the dictionary's sources.
class FeatureFields {
public:
    /// Splits `csv`; fields past the ninth are ignored. The views refer to
    /// `csv` (or to this object for quoted fields): keep both alive.
    void parse(std::string_view csv);

    /// The field, or an empty view when the feature text has no such field.
    std::string_view field(FeatureField which) const
    {
        return which < m_count ? m_fields[which] : std::string_view();
    }

    /// The field, or `fallback` when it is missing, empty or "*".
    std::string_view fieldOr(FeatureField which, std::string_view fallback) const
    {
        const std::string_view f = field(which);
        return f.empty() || f == "*" ? fallback : f;
    }

private:
    std::array<std::string_view, FeatureFieldCount> m_fields;
    std::size_t m_count = 0;
    std::string m_unquoted;
};

} // namespace kotoka
