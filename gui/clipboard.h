#pragma once

#include <optional>

#include <QString>

// The system clipboard, plain text only. Another program may hold the
// clipboard at the moment a command runs; these calls say so instead of
// pretending, so a command can end without a change (a cut never removes
// text the clipboard did not take).

namespace yomika::clipboard {

/// The clipboard's text: empty when it holds no text, nullopt when it cannot
/// be read at all.
std::optional<QString> readText();

/// Puts `text` on the clipboard. False when the clipboard did not take it.
bool writeText(const QString& text);

} // namespace yomika::clipboard

namespace yomika::testing {
/// Test seam for a clipboard another program holds: while set, readText()
/// or writeText() fail without touching the clipboard.
void failClipboard(bool reads, bool writes);
} // namespace yomika::testing
