#include "kotoka/morpheme.h"

#include <algorithm>

namespace kotoka {

void FeatureFields::parse(std::string_view csv, std::size_t columns)
{
    m_count = 0;
    const std::size_t wanted = std::min(columns, maximumColumns);
    if (csv.find('"') == std::string_view::npos) {
        // The common case: plain fields, views straight into the text.
        std::size_t start = 0;
        while (m_count < wanted) {
            const std::size_t comma = csv.find(',', start);
            if (comma == std::string_view::npos) {
                m_fields[m_count++] = csv.substr(start);
                return;
            }
            m_fields[m_count++] = csv.substr(start, comma - start);
            start = comma + 1;
        }
        return;
    }

    // Quoted fields are unquoted into m_unquoted, which is sized up front so
    // that the views into it stay valid.
    m_unquoted.clear();
    m_unquoted.reserve(csv.size());
    std::size_t i = 0;
    while (m_count < wanted) {
        const std::size_t begin = m_unquoted.size();
        if (i < csv.size() && csv[i] == '"') {
            ++i;
            while (i < csv.size()) {
                if (csv[i] == '"') {
                    if (i + 1 < csv.size() && csv[i + 1] == '"') {
                        m_unquoted.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                m_unquoted.push_back(csv[i++]);
            }
        }
        // Text after a closing quote, or an unquoted field, is taken as it is.
        while (i < csv.size() && csv[i] != ',')
            m_unquoted.push_back(csv[i++]);
        m_fields[m_count++] = std::string_view(m_unquoted).substr(begin);
        if (i >= csv.size())
            return;
        ++i; // the comma
    }
}

} // namespace kotoka
