// Start-up and shut-down of the window: the analyzer's resource file, the
// settings file and the caption. Neither ever shows a message: a failure
// leaves the window with what it had, and closing always goes on.

#include "gui/mainwindow.h"

#include "core/errornumber.h"
#include "core/settingsfile.h"
#include "gui/widgets.h"

namespace yomika {

namespace {

const QString resourceFileName = QStringLiteral("dic\\kotokarc");
const QString dictionaryDirName = QStringLiteral("dic");
const QString settingsFileName = QStringLiteral("yomika.ini");

// The analyzer's resource file ships with this placeholder where the absolute
// dictionary folder belongs; the first start after installation fills it in.
constexpr QStringView placeholder = u"%KOTDIC%";

} // namespace

void MainWindow::startUp()
{
    if (prepareAnalyzerResource() && restoreSettings()) {
        updateCaption();
        return;
    }
    // What was applied before the fault stays; the option string follows the
    // boxes and the delimiter as they are now.
    buildOptionString();
    updateCaption();
}

// Replaces the first placeholder of the resource file with the dictionary
// folder. Only one is replaced per start, so a file holding two gets the
// second on the next start. The new text replaces the file only once it is
// completely written, so a failure never leaves the analyzer without its
// configuration. Returns false when the write failed.
bool MainWindow::prepareAnalyzerResource()
{
    const QString path = fixedPath(resourceFileName);
    const ReadResult resource = readFile(path);
    const qsizetype at = resource.text.indexOf(placeholder);
    if (at < 0)
        return true;
    QString filled = resource.text;
    filled.replace(at, placeholder.size(), fixedPath(dictionaryDirName));
    return writeFile(path, filled) == NoError;
}

// Applies the settings file line by line, in file order, through the
// controls' own change handling, so the option string is rebuilt as a click
// would rebuild it. Returns false at the first fault, with everything read
// before it applied.
bool MainWindow::restoreSettings()
{
    const ReadResult file = readFile(fixedPath(settingsFileName));
    if (file.error != NoError)
        return false;
    const SettingsRead read = parseSettingsText(file.text);
    for (std::size_t i = 0; i < read.states.size(); ++i)
        m_fields[i]->setCheckState(read.states[i]);
    if (read.delimiter)
        m_delimiter->setText(*read.delimiter);
    if (read.appendFileName)
        m_appendFileName = *read.appendFileName;
    if (!read.complete)
        return false;
    // The history comes back as it was saved, duplicates and all; the first
    // entry becomes the option string.
    if (!read.history.isEmpty()) {
        m_optionList->addItems(read.history);
        m_optionList->setText(read.history.first());
    }
    return true;
}

void MainWindow::shutDown()
{
    recordOptionHistory();
    Settings settings;
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        settings.states[i] = m_fields[i]->checkState();
    settings.delimiter = m_delimiter->text();
    settings.appendFileName = m_appendFileName;
    settings.history.reserve(m_optionList->count());
    for (int i = 0; i < m_optionList->count(); ++i)
        settings.history.append(m_optionList->itemText(i));
    // The whole file is written beside the old one and replaces it only when
    // complete: a full disk keeps the previous settings whole. The choices of
    // this run are then lost, which is all a failure here may cost.
    writeFile(fixedPath(settingsFileName), settingsText(settings));
}

} // namespace yomika
