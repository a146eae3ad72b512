#include "kotoka/codec.h"

#include "core/codepage.h"

// The window's code page library does the conversion, so kotoka and the
// window read and write the same bytes for the same text.

namespace kotoka {

std::size_t decodeInput(std::string_view bytes, std::string& out, bool final)
{
    return yomika::codepage::decodeToUtf8(bytes, out, final);
}

void encodeOutput(std::string_view utf8, std::string& out)
{
    yomika::codepage::encodeFromUtf8(utf8, out);
}

} // namespace kotoka
