#include "gui/designfont.h"

namespace yomika {

QString gothicFace()
{
    return QStringLiteral("ＭＳ Ｐゴシック");
}

QString minchoFace()
{
    return QStringLiteral("ＭＳ 明朝");
}

QFont designFont(const QString& face, qreal points)
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(gothicFace(), QStringList{QStringLiteral("IPAPGothic"),
                                                  QStringLiteral("Noto Sans CJK JP")});
        QFont::insertSubstitutions(minchoFace(), QStringList{QStringLiteral("IPAMincho"),
                                                  QStringLiteral("Noto Serif CJK JP")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(face);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

QFont menuFont()
{
    QFont font = designFont(gothicFace(), 9);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

} // namespace yomika
