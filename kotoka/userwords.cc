#include "kotoka/userwords.h"

#include <algorithm>

namespace kotoka {
namespace {

constexpr std::size_t maximumFields = 5;

// The fields of one CSV line, or the message of its fault.
yomika::Expected<std::vector<std::string>, std::string> csvFields(std::string_view line)
{
    using yomika::Unexpected;
    std::vector<std::string> fields(1);
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i++];
        if (c == ',') {
            fields.emplace_back();
        } else if (c == '"' && fields.back().empty()) {
            for (;;) {
                if (i >= line.size())
                    return Unexpected(std::string("a quote is not closed"));
                if (line[i] == '"' && (i + 1 >= line.size() || line[i + 1] != '"'))
                    break;
                if (line[i] == '"')
                    ++i; // "" stands for one quote
                fields.back() += line[i++];
            }
            ++i;
            if (i < line.size() && line[i] != ',')
                return Unexpected(std::string("text follows a closing quote"));
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// `value` as one CSV field of a feature text.
std::string quoted(std::string_view value)
{
    if (value.find_first_of(",\"") == std::string_view::npos)
        return std::string(value);
    std::string result = "\"";
    for (const char c : value)
        result += c == '"' ? std::string("\"\"") : std::string(1, c);
    return result + '"';
}

// The feature text of a word with the fields (surface, reading, part of
// speech, base form, pronunciation, defaults applied) in `layout`.
yomika::Expected<std::string, std::string> featureOf(const std::vector<std::string>& fields, const Layout& layout)
{
    std::vector<std::string> columns(layout.columns, "*");
    std::string_view pos = fields[2];
    for (std::size_t level = 0; !pos.empty(); ++level) {
        if (level == 4)
            return yomika::Unexpected("the part of speech " + fields[2] + " has more than four levels");
        const std::size_t dash = pos.find('-');
        columns[level] = std::string(pos.substr(0, dash));
        pos.remove_prefix(dash == std::string_view::npos ? pos.size() : dash + 1);
    }
    columns[layout.baseForm] = fields[3];
    columns[layout.reading] = fields[1];
    columns[layout.pronunciation] = fields[4];
    if (layout.surfaceSpelling != Layout::npos)
        columns[layout.surfaceSpelling] = fields[0];
    std::string feature;
    for (const std::string& column : columns)
        feature += (feature.empty() ? "" : ",") + quoted(column);
    return feature;
}

// The word of one line, or the message of its fault.
yomika::Expected<UserWord, std::string> wordOf(std::string_view line, const Layout& layout)
{
    using yomika::Unexpected;
    auto parsed = csvFields(line);
    if (!parsed)
        return Unexpected(parsed.error());
    std::vector<std::string>& fields = *parsed;
    if (fields.size() > maximumFields)
        return Unexpected("more than five fields (surface,reading,part of speech,base form,pronunciation)");
    if (fields.front().empty())
        return Unexpected(std::string("the surface is empty"));
    fields.resize(maximumFields);
    const auto orDefault = [&](std::size_t field, std::string_view fallback) {
        if (fields[field].empty())
            fields[field] = std::string(fallback);
    };
    orDefault(1, fields[0]);
    orDefault(2, UserWords::defaultPartOfSpeech);
    orDefault(3, fields[0]);
    orDefault(4, fields[1]);
    auto feature = featureOf(fields, layout);
    if (!feature)
        return Unexpected(feature.error());
    return UserWord{fields[0], std::move(*feature)};
}

} // namespace

yomika::Expected<void, std::string> UserWords::add(std::string_view text, const std::string& file,
                                                   const Layout& layout)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<UserWord> words;
    for (std::size_t number = 1; !text.empty(); ++number) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '#')
            continue;
        auto word = wordOf(line, layout);
        if (!word)
            return yomika::Unexpected(file + ":" + std::to_string(number) + ": " + word.error());
        words.push_back(std::move(*word));
    }
    for (UserWord& word : words) {
        const auto [at, added] = m_bySurface.try_emplace(word.surface, m_words.size());
        if (added)
            m_words.push_back(std::move(word));
        else
            m_words[at->second] = std::move(word);
    }
    index();
    return {};
}

std::size_t UserWords::characterLength(std::string_view text, std::size_t at)
{
    std::size_t end = at + 1;
    while (end < text.size() && end - at < 4 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return end - at;
}

std::uint64_t UserWords::startKey(std::string_view text, std::size_t length)
{
    // The bytes of at most two characters, at most 8: one number each.
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < length && i < 8; ++i)
        key = key << 8 | static_cast<unsigned char>(text[i]);
    return key << 4 | length;
}

std::size_t UserWords::startBit(std::uint64_t key)
{
    // The key's low bits are mostly the last byte of a character, alike in
    // all Japanese text: a multiplicative hash spreads every bit of it.
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 46);
}

void UserWords::index()
{
    m_byStart.clear();
    m_oneCharacter.clear();
    m_starts.reset();
    for (std::uint32_t i = 0; i < m_words.size(); ++i) {
        const std::string& surface = m_words[i].surface;
        const std::size_t first = characterLength(surface, 0);
        if (first >= surface.size()) {
            m_oneCharacter[startKey(surface, surface.size())] = i;
            continue;
        }
        const std::uint64_t key = startKey(surface, first + characterLength(surface, first));
        m_byStart[key].push_back(i);
        m_starts.set(startBit(key));
    }
    for (auto& [key, list] : m_byStart) {
        std::sort(list.begin(), list.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return m_words[a].surface.size() > m_words[b].surface.size(); });
    }
}

const UserWord* UserWords::match(std::string_view text) const
{
    const std::size_t first = characterLength(text, 0);
    if (first < text.size()) {
        const std::uint64_t key = startKey(text, first + characterLength(text, first));
        if (m_starts.test(startBit(key))) {
            if (const auto found = m_byStart.find(key); found != m_byStart.end()) {
                for (const std::uint32_t i : found->second) {
                    if (text.substr(0, m_words[i].surface.size()) == m_words[i].surface)
                        return &m_words[i];
                }
            }
        }
    }
    if (m_oneCharacter.empty())
        return nullptr;
    const auto single = m_oneCharacter.find(startKey(text, first));
    return single == m_oneCharacter.end() ? nullptr : &m_words[single->second];
}

} // namespace kotoka
