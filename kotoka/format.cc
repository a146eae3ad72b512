#include "kotoka/format.h"

#include <algorithm>

namespace kotoka {
namespace {

constexpr std::string_view columnListError = "a column list is [N] or [N,M,...], column numbers from 0 to 63";

// The 1-based character position of byte `offset` in UTF-8 `text`.
std::size_t characterPosition(std::string_view text, std::size_t offset)
{
    std::size_t position = 0;
    for (std::size_t i = 0; i <= offset && i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++position;
    }
    return position == 0 ? 1 : position;
}

// The length of the UTF-8 character starting at `offset` (1 for a stray byte).
std::size_t characterLength(std::string_view text, std::size_t offset)
{
    std::size_t end = offset + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return end - offset;
}

// Reads a column list "[N,M,...]" at `i` (just after its "["): the
// numbers into `columns`, `i` past the "]". Returns the offset of the fault,
// or npos when the list is well formed.
std::size_t readColumnList(std::string_view text, std::size_t& i, std::vector<std::uint32_t>& columns)
{
    for (;;) {
        const std::size_t start = i;
        std::uint32_t number = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 4)
            number = number * 10 + std::uint32_t(text[i++] - '0');
        if (i == start || number >= maximumColumns)
            return start;
        columns.push_back(number);
        if (i < text.size() && text[i] == ']') {
            ++i;
            return std::string_view::npos;
        }
        if (i >= text.size() || text[i] != ',')
            return i;
        ++i;
    }
}

} // namespace

std::optional<Format> Format::compile(std::string_view text, std::string_view lineEnd,
                                      std::string& error)
{
    Format format;
    std::vector<std::size_t> openGroups;     // indices of UnknownBegin not yet closed
    std::vector<std::size_t> openPositions;  // where each of them stands in `text`
    auto fail = [&](std::size_t offset, std::string_view what) {
        error = "malformed format at position " + std::to_string(characterPosition(text, offset))
            + ": " + std::string(what);
        return std::nullopt;
    };
    auto emitLiteral = [&](std::string_view literal) {
        if (!format.m_code.empty() && format.m_code.back().op == Op::Literal)
            format.m_code.back().text += literal;
        else
            format.m_code.push_back({Op::Literal, std::string(literal), 0});
    };

    // Reads one character of the text at `i`, an escape included, into
    // `out`; returns false (with the error set) when it is malformed.
    auto readCharacter = [&](std::size_t& i, std::string& out) -> bool {
        if (text[i] != '\\') {
            const std::size_t length = characterLength(text, i);
            out.assign(text.substr(i, length));
            i += length;
            return true;
        }
        if (i + 1 >= text.size()) {
            fail(i, "a backslash ends the format; write \\\\ for a backslash");
            return false;
        }
        switch (text[i + 1]) {
        case 't': out = "\t"; break;
        case 'n': out = std::string(lineEnd); break;
        case '\\': out = "\\"; break;
        case '"': out = "\""; break;
        default:
            fail(i, "unknown escape \\" + std::string(text.substr(i + 1, characterLength(text, i + 1)))
                        + " (known: \\t \\n \\\\ \\\")");
            return false;
        }
        i += 2;
        return true;
    };

    std::size_t i = 0;
    std::string piece;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ')' && !openGroups.empty()) {
            const std::size_t begin = openGroups.back();
            openGroups.pop_back();
            openPositions.pop_back();
            format.m_code.push_back({Op::UnknownEnd, {}, 0});
            format.m_code[begin].skip = static_cast<std::uint32_t>(format.m_code.size());
            ++i;
            continue;
        }
        if (c != '%') {
            if (!readCharacter(i, piece))
                return std::nullopt;
            emitLiteral(piece);
            continue;
        }
        const std::size_t at = i;
        if (i + 1 >= text.size())
            return fail(at, "a percent sign ends the format; write %% for a percent sign");
        const char directive = text[i + 1];
        i += 2;
        switch (directive) {
        case 'm': format.m_code.push_back({Op::Surface, {}, 0}); break;
        case 'M': format.m_code.push_back({Op::Base, {}, 0}); break;
        case 'y':
        case 'a':
            if (i < text.size() && text[i] == '1')
                ++i;
            format.m_code.push_back({directive == 'y' ? Op::Reading : Op::Pronunciation, {}, 0});
            break;
        case 'P':
        case 'T':
        case 'F': {
            if (i >= text.size())
                return fail(at, std::string("%") + directive + " needs a character after it");
            if (!readCharacter(i, piece))
                return std::nullopt;
            const Op op = directive == 'P' ? Op::PartOfSpeech
                : directive == 'T'         ? Op::InflectionType
                                           : Op::InflectionForm;
            // %Fc[N,...]: a "[" and a digit after the character start a list.
            if (op == Op::InflectionForm && i + 1 < text.size() && text[i] == '[' && text[i + 1] >= '0'
                && text[i + 1] <= '9') {
                std::vector<std::uint32_t> columns;
                if (const std::size_t fault = readColumnList(text, ++i, columns); fault != std::string_view::npos)
                    return fail(fault, columnListError);
                format.m_code.push_back({Op::ColumnList, piece, 0, std::move(columns)});
                break;
            }
            format.m_code.push_back({op, piece, 0});
            break;
        }
        case 'f': {
            std::vector<std::uint32_t> columns;
            if (i >= text.size() || text[i] != '[')
                return fail(at, "%f must be followed by [N], a column number");
            if (const std::size_t fault = readColumnList(text, ++i, columns); fault != std::string_view::npos)
                return fail(fault, columnListError);
            if (columns.size() != 1)
                return fail(at, "%f takes one column number: %f[N]");
            format.m_code.push_back({Op::Column, {}, columns.front()});
            break;
        }
        case 'U':
            if (i >= text.size() || text[i] != '(')
                return fail(at, "%U must be followed by (");
            ++i;
            openGroups.push_back(format.m_code.size());
            openPositions.push_back(at);
            format.m_code.push_back({Op::UnknownBegin, {}, 0});
            break;
        case '%': emitLiteral("%"); break;
        default:
            return fail(at, "unknown directive %" + std::string(text.substr(at + 1, characterLength(text, at + 1))));
        }
    }
    if (!openGroups.empty())
        return fail(openPositions.back(), "%U( has no closing parenthesis");

    for (const Instruction& instruction : format.m_code) {
        if (instruction.op == Op::Column)
            format.m_rawColumns = std::max<std::size_t>(format.m_rawColumns, instruction.skip + 1);
        for (const std::uint32_t column : instruction.columns)
            format.m_rawColumns = std::max<std::size_t>(format.m_rawColumns, column + 1);
    }
    if (const auto bound = format.useLayout(ipadicLayout()); !bound)
        return std::nullopt; // IPADIC's layout is known: cannot happen
    return format;
}

bool Format::needsLayout(Op op)
{
    switch (op) {
    case Op::Base:
    case Op::Reading:
    case Op::Pronunciation:
    case Op::PartOfSpeech:
    case Op::InflectionType:
    case Op::InflectionForm: return true;
    default: return false;
    }
}

yomika::Expected<void, std::string> Format::useLayout(const Layout& layout)
{
    std::size_t needed = m_rawColumns;
    std::string directives;
    for (const Instruction& instruction : m_code) {
        if (!needsLayout(instruction.op))
            continue;
        static constexpr std::string_view names[] = {"", "", "%M", "%y", "%a", "%P", "%T", "%F"};
        const std::string_view name = names[static_cast<std::size_t>(instruction.op)];
        if (directives.find(name) == std::string::npos)
            directives += (directives.empty() ? "" : " ") + std::string(name);
        needed = std::max<std::size_t>(needed, 6); // part of speech and inflection: 0 to 5
        if (layout.known()) {
            for (const std::size_t column : {layout.baseForm, layout.reading, layout.pronunciation})
                needed = std::max(needed, column + 1);
            if (layout.surfaceSpelling != Layout::npos)
                needed = std::max(needed, layout.surfaceSpelling + 1);
        }
    }
    if (!layout.known() && !directives.empty())
        return yomika::Unexpected("the format uses " + directives + ", which need a dictionary of known layout");
    m_layout = &layout;
    m_columnsNeeded = needed;
    return {};
}

void Format::renderBase(const Morpheme& morpheme, const FeatureFields& fields, std::string& out) const
{
    const Layout& layout = *m_layout;
    if (morpheme.unknown) {
        out += morpheme.surface;
        return;
    }
    const std::string_view base = fields.fieldOr(layout.baseForm, morpheme.surface);
    // A base form spelt as the word is written is the surface itself.
    if (layout.surfaceSpelling != Layout::npos && fields.field(layout.surfaceSpelling) == base)
        out += morpheme.surface;
    else
        out += base;
}

void Format::renderColumns(const Instruction& instruction, const FeatureFields& fields, std::string& out) const
{
    // As MeCab does, a column that starts with "*" holds no value.
    const auto hasValue = [](std::string_view value) { return value.empty() || value.front() != '*'; };
    if (instruction.op == Op::Column) {
        const std::string_view value = fields.field(instruction.skip);
        if (hasValue(value))
            out += value;
        return;
    }
    bool first = true;
    for (const std::uint32_t column : instruction.columns) {
        if (column >= fields.size())
            continue;
        const std::string_view value = fields.field(column);
        if (!hasValue(value))
            continue;
        if (!first)
            out += instruction.text;
        out += value;
        first = false;
    }
}

void Format::render(const Morpheme& morpheme, std::string& out) const
{
    FeatureFields fields;
    if (m_columnsNeeded > 0)
        fields.parse(morpheme.feature, m_columnsNeeded);
    // An unknown word's guessed entry has no base form, reading or
    // pronunciation of its own: it is its own surface form.
    auto known = [&](std::size_t which) {
        return morpheme.unknown ? morpheme.surface : fields.fieldOr(which, morpheme.surface);
    };

    const std::size_t size = m_code.size();
    for (std::size_t i = 0; i < size; ++i) {
        const Instruction& instruction = m_code[i];
        switch (instruction.op) {
        case Op::Literal: out += instruction.text; break;
        case Op::Surface: out += morpheme.surface; break;
        case Op::Base: renderBase(morpheme, fields, out); break;
        case Op::Reading: out += known(m_layout->reading); break;
        case Op::Pronunciation: out += known(m_layout->pronunciation); break;
        case Op::PartOfSpeech: {
            bool first = true;
            for (const std::size_t level : {0, 1, 2, 3}) {
                const std::string_view value = fields.field(level);
                if (value.empty() || value == "*")
                    continue;
                if (!first)
                    out += instruction.text;
                out += value;
                first = false;
            }
            break;
        }
        case Op::InflectionType: out += fields.fieldOr(4, instruction.text); break;
        case Op::InflectionForm: out += fields.fieldOr(5, instruction.text); break;
        case Op::Column:
        case Op::ColumnList: renderColumns(instruction, fields, out); break;
        case Op::UnknownBegin:
            if (morpheme.unknown) {
                out += unknownWordText;
                i = instruction.skip - 1;
            }
            break;
        case Op::UnknownEnd: break;
        }
    }
}

} // namespace kotoka
