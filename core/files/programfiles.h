#pragma once

#include <QString>
#include <QStringView>

#include "core/files/fixednames.h"

// The fixed files of the program, named as on Windows (with "\");
// platform::joinPath turns the separator into the system's. Everything the
// program reads or writes beside the user's own files is named here, once.

namespace yomika::programfile {

inline const QString dictionaryDir = QString::fromLatin1(fixedname::dictionaryFolder);
inline const QString resourceFile = dictionaryDir + u'\\' + QString::fromLatin1(fixedname::resourceFile);
inline constexpr QStringView inputFile = u"input.tmp";
inline constexpr QStringView outputFile = u"output.tmp";
inline constexpr QStringView settingsFile = u"yomika.ini";
inline constexpr QStringView readme = u"README.TXT";
/// Left in the program folder by an installer: the folder is an installed
/// program's even where its user could still create files in it.
inline constexpr QStringView installedMark = u"INSTALLED.TXT";

} // namespace yomika::programfile

namespace yomika {

/// The most a text pane shows, in UTF-16 units: a text fits when its length
/// is at most this. A longer text is offered to be analyzed or saved whole.
inline constexpr qsizetype paneLimit = 32767;

/// Where the fixed files lie. A program folder the user may write to (a copy
/// unpacked anywhere) holds them all; an installed program's folder is the
/// system's, and the files the program writes go to the user's own folders.
struct ProgramFolders {
    QString program;  // the analyzer, its resource file and dictionary, README.TXT
    QString settings; // yomika.ini
    QString work;     // input.tmp and output.tmp

    /// Every file in `programDir`.
    static ProgramFolders portable(const QString& programDir);

    /// The full path of the fixed file `name`, in the folder it belongs to.
    QString file(QStringView name) const;
    /// The full path of the analyzer.
    QString analyzer() const;
};

/// The folders for the program in `programDir`: all of them that folder when
/// the user may create files in it and no installer marked it; otherwise the
/// settings in the user's configuration folder and the temporary files in
/// the user's cache folder, each in the program's subfolder (userSubfolder())
/// created on the way. Where a
/// user folder cannot be made, the program folder stands in for it, and the
/// commands that write there report the failure as usual.
ProgramFolders locateProgramFolders(const QString& programDir);

/// The user's own folders, as the system names them (programfiles_posix.cc,
/// programfiles_win.cc): where settings and temporary files of a program go,
/// without the program's subfolder. Empty when the system names none.
QString userSettingsBase();
QString userWorkBase();
/// The program's subfolder in them: "yomika" as Unix names it, "Yomika" on Windows.
QString userSubfolder();

} // namespace yomika
