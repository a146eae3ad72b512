#pragma once

#include <QString>
#include <QStringList>

// What differs between Windows and the other systems, in one place. The
// matching source file (platform_win.cc or platform_posix.cc) is chosen by
// CMake.

namespace yomika::platform {

/// The analyzer's file name in the program directory: "kotoka.exe" on Windows, "kotoka" elsewhere.
QString analyzerFileName();

/// Joins the program directory and a fixed relative name written with "\"
/// ("dic\kotokarc"), using the platform's separator: "\" on Windows, "/"
/// elsewhere.
QString joinPath(const QString& programDir, const QString& relativeName);

/// Shows the text file at `path` (README.TXT) in a text viewer and does not
/// wait for it: "notepad.exe" with the path on Windows, the desktop's default
/// viewer ("xdg-open") elsewhere. Returns whether the viewer was started;
/// false means it could not be (not installed, not startable).
bool openTextViewer(const QString& path);

} // namespace yomika::platform
