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

/// `face` at `points`, regular, with the stand-in faces registered.
QFont designFont(const QString& face, qreal points);

/// The menus' font: the program's own captions, which the Japanese face
/// holds whole, so no search through other fonts for glyphs is needed.
QFont menuFont();

} // namespace yomika
