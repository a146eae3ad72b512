#include "gui/lineends.h"

#include "gui/exacttextedit.h"

namespace yomika::lineends {

void appendLineEnd(QString& text, quint8 kind)
{
    switch (kind) {
    case CrLf: text += u'\r'; text += u'\n'; break;
    case Lf: text += u'\n'; break;
    case Cr: text += u'\r'; break;
    case ParagraphBreak: text += QChar(blockBreak); break;
    case FrameStart: text += QChar(frameStart); break;
    default: text += QChar(frameEnd); break;
    }
}

void splitLineEnds(QStringView text, QString& documentText, std::vector<quint8>& kinds)
{
    documentText.resize(text.size());
    char16_t* const begin = reinterpret_cast<char16_t*>(documentText.data());
    char16_t* out = begin;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        quint8 kind;
        switch (c) {
        case u'\r':
            if (i + 1 < n && text[i + 1] == u'\n') {
                kind = CrLf;
                ++i;
            } else {
                kind = Cr;
            }
            break;
        case u'\n': kind = Lf; break;
        case blockBreak: kind = ParagraphBreak; break;
        case frameStart: kind = FrameStart; break;
        case frameEnd: kind = FrameEnd; break;
        default:
            *out++ = c;
            continue;
        }
        kinds.push_back(kind);
        *out++ = blockBreak;
    }
    documentText.truncate(out - begin);
}

quint8 typedKind()
{
    static const quint8 kind = [] {
        QString documentText;
        std::vector<quint8> kinds;
        splitLineEnds(ExactTextEdit::typedLineBreak(), documentText, kinds);
        return kinds.size() == 1 ? kinds.front() : quint8(Lf);
    }();
    return kind;
}

} // namespace yomika::lineends
