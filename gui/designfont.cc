#include "gui/designfont.h"

#include <QFontDatabase>

namespace yomika {

namespace {

// The first of `candidates` the font database holds, or the first candidate
// when it holds none (Qt then picks a face of its own). Naming an installed
// family spares Qt the search for a stand-in that an absent family costs,
// which on Linux is a fontconfig sort of every font.
QString firstInstalled(const QStringList& candidates)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : candidates) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return candidates.first();
}

} // namespace

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
    // The design faces by both their names, then the stand-ins; resolved once.
    static const QString gothic = firstInstalled({gothicFace(), QStringLiteral("MS PGothic"),
                                                  QStringLiteral("IPAPGothic"),
                                                  QStringLiteral("Noto Sans CJK JP")});
    static const QString mincho = firstInstalled({minchoFace(), QStringLiteral("MS Mincho"),
                                                  QStringLiteral("IPAMincho"),
                                                  QStringLiteral("Noto Serif CJK JP")});
    QFont font(face == gothicFace() ? gothic : face == minchoFace() ? mincho : face);
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
