#include "core/files/programfiles.h"

namespace yomika {

// %APPDATA%: the folder Windows gives a user's programs for their files.
QString userSettingsBase()
{
    return qEnvironmentVariable("APPDATA");
}

QString userWorkBase()
{
    return qEnvironmentVariable("APPDATA");
}

QString userSubfolder()
{
    return QStringLiteral("Yomika");
}

} // namespace yomika
