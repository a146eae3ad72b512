#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>
#include <Qt>

// The settings file yomika.ini keeps the user's choices between runs, one
// value per line, each line ended by CR LF, in UTF-8 (a file of an earlier
// version, in Windows-932, reads the same):
//
//   lines 1-6  the states of the six field boxes, as a blank, the digit and a
//              blank: 0 clear, 1 ticked, 2 greyed
//   line 7     the delimiter text
//   line 8     the append file (empty when none is chosen)
//   line 9 on  the option history, most recent first, as many as there are
//
// Reading and writing are pure functions over text, so that the window only
// applies values and moves whole texts to and from the disk.

namespace yomika {

/// The number of field boxes whose states lead the file.
inline constexpr int settingsStateCount = 6;

/// Everything the settings file holds.
struct Settings {
    std::array<Qt::CheckState, settingsStateCount> states{};
    QString delimiter;
    QString appendFileName;
    QStringList history;
};

/// What a settings file yielded, in file order, up to its first fault: the
/// states read before a bad or missing number line, the delimiter and append
/// file when their lines were there, and the history only when all eight
/// leading lines were read.
struct SettingsRead {
    std::vector<Qt::CheckState> states; // 0 to 6 entries, in file order
    std::optional<QString> delimiter;
    std::optional<QString> appendFileName;
    QStringList history;
    /// True when the eight leading lines were all read; the history may still be empty.
    bool complete = false;
};

/// Reads decoded settings text. Lines end at CR LF, and also at a lone LF or
/// a lone CR; text after the last line end is a last line. Any text at all
/// gives what could be read before its first fault, and
/// `complete` tells whether that was everything.
SettingsRead parseSettingsText(QStringView text);

/// The whole text of the settings file: six number lines (" 1 "), the
/// delimiter, the append file and every history entry, each followed by
/// CR LF. A line break inside a value is written as a blank, so every value
/// stays on its own line.
QString settingsText(const Settings& settings);

} // namespace yomika
