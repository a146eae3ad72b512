#include "kotoka/format.h"

namespace kotoka {
namespace {

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
            format.m_code.push_back({op, piece, 0});
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
        if (instruction.op != Op::Literal && instruction.op != Op::Surface
            && instruction.op != Op::UnknownBegin && instruction.op != Op::UnknownEnd)
            format.m_needsFields = true;
    }
    return format;
}

void Format::render(const Morpheme& morpheme, std::string& out) const
{
    FeatureFields fields;
    if (m_needsFields)
        fields.parse(morpheme.feature);
    // An unknown word's guessed entry has no base form, reading or
    // pronunciation of its own: it is its own surface form.
    auto known = [&](FeatureField which) {
        return morpheme.unknown ? morpheme.surface : fields.fieldOr(which, morpheme.surface);
    };

    const std::size_t size = m_code.size();
    for (std::size_t i = 0; i < size; ++i) {
        const Instruction& instruction = m_code[i];
        switch (instruction.op) {
        case Op::Literal: out += instruction.text; break;
        case Op::Surface: out += morpheme.surface; break;
        case Op::Base: out += known(BaseForm); break;
        case Op::Reading: out += known(Reading); break;
        case Op::Pronunciation: out += known(Pronunciation); break;
        case Op::PartOfSpeech: {
            bool first = true;
            for (FeatureField level : {Pos1, Pos2, Pos3, Pos4}) {
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
        case Op::InflectionType: out += fields.fieldOr(InflectionType, instruction.text); break;
        case Op::InflectionForm: out += fields.fieldOr(InflectionForm, instruction.text); break;
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
