#include "kotoka/codec.h"

// Interim: UTF-8 on both sides until the shared code page library lands.

namespace kotoka {

std::size_t decodeInput(std::string_view bytes, std::string& out, bool final)
{
    std::size_t end = bytes.size();
    if (!final) {
        // Hold back a UTF-8 sequence cut off at the end.
        std::size_t start = end;
        while (start > 0 && end - start < 4 && (static_cast<unsigned char>(bytes[start - 1]) & 0xC0) == 0x80)
            --start;
        if (start > 0 && static_cast<unsigned char>(bytes[start - 1]) >= 0xC0)
            end = start - 1;
    }
    out.append(bytes.substr(0, end));
    return end;
}

void encodeOutput(std::string_view utf8, std::string& out)
{
    out.append(utf8);
}

} // namespace kotoka
