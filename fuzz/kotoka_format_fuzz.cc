// kotoka's format language: any text either compiles, or is refused with a
// message naming a position inside it; a compiled format renders known,
// unknown and damaged morphemes without fault.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kotoka/format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto format = kotoka::Format::compile(text, "\r\n", error);
    if (!format) {
        const std::string_view prefix = "malformed format at position ";
        if (error.compare(0, prefix.size(), prefix) != 0)
            std::abort();
        const std::size_t position = std::strtoul(error.c_str() + prefix.size(), nullptr, 10);
        if (position < 1 || position > size)
            std::abort();
        return 0;
    }
    const kotoka::Morpheme morphemes[] = {
        {"東京", "名詞,固有名詞,地域,一般,*,*,東京,トウキョウ,トーキョー", false},
        {"行っ", "動詞,自立,*,*,五段・カ行促音便,連用タ接続,行く,イッ,イッ", false},
        {"\"", "\"a,\"\"b\",\"", false},
        {"Apple", "名詞,普通名詞,一般,*,*,*,アップル,アップル-apple,Ａｐｐｌｅ,アップル,Ａｐｐｌｅ,アップル,外,*,*,*,*,*,*,体,"
                  "アップル,アップル,アップル,アップル,\"3,4\",*,*,9,10", false},
        {text, text, true},
    };
    std::string out;
    for (const kotoka::Morpheme& morpheme : morphemes)
        format->render(morpheme, out);
    // UniDic's layout maps further columns; an unknown one takes only the
    // formats that need no layout.
    static const kotoka::Layout unidic = kotoka::detectLayout("output-format-type = unidic22\n", 29);
    static const kotoka::Layout unknown = kotoka::detectLayout("", 7);
    if (!unidic.known() || unknown.known() || !format->useLayout(unidic))
        std::abort();
    for (const kotoka::Morpheme& morpheme : morphemes)
        format->render(morpheme, out);
    if (format->useLayout(unknown)) {
        for (const kotoka::Morpheme& morpheme : morphemes)
            format->render(morpheme, out);
    }
    return 0;
}
