// The model's commands on files and the clipboard: opening and dropping text,
// saving and appending results, the edit menu, help, and start-up and
// shut-down with the settings file and the analyzer's resource file.

#include <QFileInfo>

#include "core/analysis/dictionaryinuse.h"
#include "core/files/errornumber.h"
#include "core/files/platform.h"
#include "core/files/programfiles.h"
#include "core/model/settingsfile.h"
#include "core/model/drops.h"
#include "core/model/windowmodel.h"

namespace yomika {

namespace {

QString saveFailed(ErrorNumber error)
{
    return QStringLiteral("保存中にエラーが発生しました ") + QString::number(number(error));
}

// The analyzer's resource file ships with this placeholder where the absolute
// dictionary folder belongs; the first start after installation fills it in.
const QString placeholder = QString::fromLatin1(fixedname::dictionaryPlaceholder);

} // namespace

// Opening and dropping.

void WindowModel::openChosenFile()
{
    const QString name =
        m_view.prompter->chooseOpenFile(QStringLiteral("テキストファイルを開く"), m_openFileName);
    if (name.isEmpty())
        return;
    const Result<Incoming> text = incomingFile(name);
    if (!text) {
        m_view.prompter->inform(QStringLiteral("データを読み込めません ") + QString::number(number(text.error())));
        return;
    }
    m_openFileName = name;
    loadIncoming(*text);
}

void WindowModel::loadDropped(const DroppedData& dropped)
{
    switch (dropped.kind) {
    case DroppedData::Kind::Nothing:
        return;
    case DroppedData::Kind::Text:
        loadText(m_view.sentence->text() + dropped.text);
        return;
    case DroppedData::Kind::Files:
        break;
    }
    const QString sentence = m_view.sentence->text();
    Incoming all{{TextPiece{sentence, {}, {}}}, sentence.size(), sentence};
    for (const QString& path : dropped.paths) {
        if (QFileInfo(path).isDir()) {
            m_view.prompter->inform(directoryMessage(path));
            continue;
        }
        // An entry that cannot be read (gone since the drag, no permission,
        // not a regular file) adds nothing and brings no message.
        const Result<Incoming> file = incomingFile(path);
        if (!file)
            continue;
        all.pieces += file->pieces;
        all.units += file->units;
        if (all.head.size() <= paneLimit)
            all.head += file->head.left(paneLimit + 1 - all.head.size());
    }
    loadIncoming(all);
}

// Saving and appending. The files hold the texts exactly, nothing added; the
// whole-file operations keep an old file intact when a write fails.

bool WindowModel::saveResultAs(const std::function<Result<>(const QString&)>& write)
{
    const QString name = m_view.prompter->chooseSaveFile(
        QStringLiteral("解析結果を名前を付けて保存"), m_appendFileName);
    if (name.isEmpty())
        return true;
    setBusy(true);
    const Result<> written = write(name);
    setBusy(false);
    if (!written) {
        m_view.prompter->inform(saveFailed(written.error()));
        return false;
    }
    // The file just written is where further results collect.
    m_appendFileName = name;
    updateCaption();
    return true;
}

void WindowModel::saveResultPane()
{
    // Emptied after a save and after a cancel; after a failed write the pane
    // may hold the only copy of the result (it can be edited), so it stays.
    const QString text = m_view.result->text();
    if (saveResultAs([&text](const QString& name) { return writeWholeFile(name, text); }))
        m_view.result->setText(QString());
}

void WindowModel::chooseAppendFile()
{
    const QString name = m_view.prompter->chooseSaveFile(QStringLiteral("追加ファイルの指定"),
                                                         m_appendFileName);
    if (name.isEmpty())
        return;
    // Only remembered: the file is created by the first append.
    m_appendFileName = name;
    updateCaption();
}

void WindowModel::appendResultPane()
{
    if (m_appendFileName.isEmpty())
        chooseAppendFile();
    if (m_appendFileName.isEmpty())
        return;
    setBusy(true);
    const Result<> appended = appendWholeFile(m_appendFileName, m_view.result->text());
    setBusy(false);
    if (!appended) {
        m_view.prompter->inform(saveFailed(appended.error()));
        return;
    }
    m_view.result->setText(QString());
}

// The edit menu works on the exact text of the focused control, so a pane's
// own editing (which would turn CR LF into block breaks) never runs.

void WindowModel::cut()
{
    TextControl* control = editableFocus();
    if (!control)
        return;
    const QString selected = control->selectedText();
    if (selected.isEmpty() || !m_view.clipboard->writeText(selected))
        return;
    const qsizetype start = control->selectionStart();
    QString text = control->text();
    text.remove(start, control->selectionLength());
    control->setTextAndCaret(text, start);
}

void WindowModel::copy()
{
    const TextControl* control = m_view.focusedTextControl();
    if (!control)
        return;
    const QString selected = control->selectedText();
    if (!selected.isEmpty())
        m_view.clipboard->writeText(selected);
}

void WindowModel::paste()
{
    const std::optional<QString> pasted = m_view.clipboard->readText();
    if (!pasted || pasted->isEmpty())
        return;
    TextControl* control = editableFocus();
    if (!control)
        return;
    const qsizetype start = control->selectionStart();
    QString text = control->text();
    text.replace(start, control->selectionLength(), *pasted);
    if (text.size() > paneLimit)
        m_view.prompter->inform(QStringLiteral("テキストが大きすぎて全体を表示できません。"));
    control->setTextAndCaret(text, start + pasted->size());
}

void WindowModel::selectAll()
{
    if (TextControl* control = m_view.focusedTextControl())
        control->selectAll();
}

void WindowModel::copyResult()
{
    const QString text = m_view.result->text();
    if (text.isEmpty() || !m_view.clipboard->writeText(text))
        return;
    m_view.result->setSelection(0, text.size());
    m_view.result->focus();
}

void WindowModel::pasteClipboardAsSentence()
{
    if (const std::optional<QString> pasted = m_view.clipboard->readText())
        loadText(*pasted);
}

// Help.

void WindowModel::showReadme()
{
    // The viewer runs on its own and is not waited for; a viewer that cannot
    // start leaves the window as it was.
    platform::openTextViewer(fixedPath(programfile::readme));
}

void WindowModel::showAbout()
{
    const QStringList lines{
        QStringLiteral("           ") + applicationTitle() + QStringLiteral(" (1999.12.15)"),
        QString(),
        QStringLiteral("作者: Yomika developers"),
        QStringLiteral("画面: Qt (LGPL v3)"),
        QStringLiteral("形態素解析: kotoka (MeCab, BSD/LGPL/GPL)"),
        dictionaryCredit(dictionaryInUse(m_folders.analyzer(), fixedPath(programfile::resourceFile))),
    };
    m_view.prompter->inform(lines.join(QStringLiteral("\r\n")));
}

// Start-up and shut-down.

void WindowModel::startUp()
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
bool WindowModel::prepareAnalyzerResource()
{
    const QString path = fixedPath(programfile::resourceFile);
    // A missing or unreadable file holds no placeholder.
    QString filled = readFile(path).valueOr(QString());
    const qsizetype at = filled.indexOf(placeholder);
    if (at < 0)
        return true;
    filled.replace(at, placeholder.size(), fixedPath(programfile::dictionaryDir));
    return writeFile(path, filled).hasValue();
}

// Applies the settings file line by line, in file order, as the controls'
// own changes would, so the option string is rebuilt as a click would
// rebuild it. Returns false at the first fault, with everything read before
// it applied.
bool WindowModel::restoreSettings()
{
    const Result<QString> file = readFile(fixedPath(programfile::settingsFile));
    if (!file)
        return false;
    const SettingsRead read = parseSettingsText(*file);
    for (std::size_t i = 0; i < read.states.size(); ++i)
        setFieldState(int(i), read.states[i]);
    if (read.delimiter)
        setDelimiter(*read.delimiter);
    if (read.appendFileName)
        m_appendFileName = *read.appendFileName;
    if (!read.complete)
        return false;
    // The history comes back as it was saved, duplicates and all; the first
    // entry becomes the option string.
    if (!read.history.isEmpty()) {
        m_history += read.history;
        emit optionHistoryChanged(m_history);
        setOptionText(read.history.first());
    }
    return true;
}

void WindowModel::shutDown()
{
    recordOptionHistory();
    Settings settings;
    for (int i = 0; i < fieldCount; ++i)
        settings.states[i] = m_fields[i];
    settings.delimiter = m_delimiter;
    settings.appendFileName = m_appendFileName;
    settings.history = m_history;
    // The whole file is written beside the old one and replaces it only when
    // complete: a full disk keeps the previous settings whole. The choices of
    // this run are then lost, which is all a failure here may cost.
    static_cast<void>(writeFile(fixedPath(programfile::settingsFile), settingsText(settings)));
}

} // namespace yomika
