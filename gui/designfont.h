#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// The design's fonts are Windows faces; elsewhere the nearest Japanese faces
// stand in at the same sizes.

namespace yomika {

/// "ＭＳ Ｐゴシック": captions, buttons, boxes, menus.
QString gothicFace();
/// "ＭＳ 明朝": the text panes.
QString minchoFace();

/// `face` at `points`, regular. For the two design faces the font names the
/// first installed of the face itself and its stand-ins, resolved once per
/// process (a QGuiApplication must exist); when none is installed it names
/// the face and Qt picks one of its own.
QFont designFont(const QString& face, qreal points);

/// The menus' font: the program's own captions, which the Japanese face
/// holds whole, so no search through other fonts for glyphs is needed.
QFont menuFont();

} // namespace yomika
