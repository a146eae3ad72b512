#include <QStandardPaths>

#include "core/programfiles.h"

namespace yomika {

// $XDG_CONFIG_HOME, or ~/.config.
QString userSettingsBase()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

// $XDG_RUNTIME_DIR, private to the user and emptied at log-out; without one,
// $XDG_CACHE_HOME or ~/.cache.
QString userWorkBase()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime;
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
}

} // namespace yomika
