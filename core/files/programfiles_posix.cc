#include <QStandardPaths>

#include "core/files/programfiles.h"

namespace yomika {

// $XDG_CONFIG_HOME, or ~/.config.
QString userSettingsBase()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

// $XDG_CACHE_HOME, or ~/.cache: on the disk. The runtime folder would be
// private to the session too, but it is often kept in memory and small, and
// the text of a large file and its analysis take gigabytes.
QString userWorkBase()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
}

QString userSubfolder()
{
    return QStringLiteral("yomika");
}

} // namespace yomika
