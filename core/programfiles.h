#pragma once

#include <QString>
#include <QStringView>

#include "core/platform.h"

// The fixed files of the program directory, named as on Windows (with "\");
// platform::joinPath turns the separator into the system's. Everything the
// program reads or writes beside its executable is named here, once.

namespace yomika::programfile {

inline constexpr QStringView resourceFile = u"dic\\kotokarc";
inline constexpr QStringView dictionaryDir = u"dic";
inline constexpr QStringView inputFile = u"input.tmp";
inline constexpr QStringView outputFile = u"output.tmp";
inline constexpr QStringView settingsFile = u"yomika.ini";
inline constexpr QStringView readme = u"README.TXT";

/// The full path of the fixed file `name` in `programDir`.
inline QString path(const QString& programDir, QStringView name)
{
    return platform::joinPath(programDir, name.toString());
}

} // namespace yomika::programfile

namespace yomika {

/// The most a text pane shows, in UTF-16 units: a text fits when its length
/// is at most this. A longer text is offered to be analyzed or saved whole.
inline constexpr qsizetype paneLimit = 32767;

} // namespace yomika
