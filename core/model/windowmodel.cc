// The model's state, the option string, the analyzer run, and the two panes:
// how a text enters the sentence pane, how a result reaches the result pane,
// and undo and redo of the pane pair.

#include "core/model/windowmodel.h"

#include <QFile>
#include <QFileInfo>

#include "core/analysis/analyzerrun.h"
#include "core/analysis/optionstring.h"
#include "core/files/programfiles.h"

namespace yomika {

// The first paneLimit units of `text`. A character outside the BMP that
// straddles the limit is left out whole rather than kept as half a pair.
QString WindowModel::paneHead(const QString& text)
{
    qsizetype length = std::min(paneLimit, text.size());
    if (length == paneLimit && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

QString WindowModel::analyzeFailed(ErrorNumber error)
{
    return QStringLiteral("解析中にエラーが発生しました ") + QString::number(number(error));
}

namespace {


const QString textTooLarge = QStringLiteral("テキストが大きすぎて全体を表示できません。\r\n"
                                            "今すぐ解析を行いますか？");

} // namespace

WindowModel::WindowModel(const ProgramFolders& folders, const ViewParts& view, QObject* parent)
    : QObject(parent)
    , m_folders(folders)
    , m_view(view)
    , m_run(new AnalyzerRun(folders, this))
{
    // Made with the model, so that it hears of the application's end before
    // the window does: a run stops before shut-down, as it always has.
    connect(m_run, &AnalyzerRun::writingInput, this, &WindowModel::setBusy);
    connect(m_run, &AnalyzerRun::waitBegan, this, [this] {
        setBusy(true);
        emit runningChanged(true);
    });
    connect(m_run, &AnalyzerRun::progressed, this, &WindowModel::runProgressed);
    connect(m_run, &AnalyzerRun::finished, this, &WindowModel::takeOutcome);
}

// The run (a child) stops its analyzer without telling its end; the view's
// parts may be gone already and are not touched.
WindowModel::~WindowModel() = default;

QString WindowModel::fixedPath(QStringView name) const
{
    return m_folders.file(name);
}

void WindowModel::setFieldState(int index, Qt::CheckState state)
{
    if (m_fields[index] == state)
        return;
    m_fields[index] = state;
    emit fieldStateChanged(index, state);
    buildOptionString();
}

void WindowModel::setDelimiter(const QString& text)
{
    const QString value = withoutLineBreaks(text);
    if (m_delimiter == value)
        return;
    m_delimiter = value;
    emit delimiterChanged(value);
    buildOptionString();
}

void WindowModel::pickDelimiter(const QString& text)
{
    setDelimiter(text);
    buildOptionString();
}

void WindowModel::setOptionText(const QString& text)
{
    const QString value = withoutLineBreaks(text);
    if (m_optionText == value)
        return;
    m_optionText = value;
    emit optionTextChanged(value);
}

void WindowModel::buildOptionString()
{
    FieldSet set{};
    for (int i = 0; i < fieldCount; ++i)
        set[i] = m_fields[i] != Qt::Unchecked; // greyed counts as set
    setOptionText(yomika::buildOptionString(set, m_delimiter));
}

void WindowModel::recordOptionHistory()
{
    if (m_optionText.isEmpty())
        return;
    m_history = yomika::recordOptionHistory(m_history, m_optionText);
    emit optionHistoryChanged(m_history);
}

void WindowModel::updateCaption()
{
    m_caption = m_appendFileName.isEmpty() ? QStringLiteral("Yomika")
                                           : QStringLiteral("Yomika - ") + m_appendFileName;
    emit captionChanged(m_caption);
}

void WindowModel::setBusy(bool busy)
{
    if (busy) {
        if (m_busyDepth++ == 0)
            m_view.busy->showBusy(true);
    } else if (m_busyDepth > 0) {
        if (--m_busyDepth == 0)
            m_view.busy->showBusy(false);
    }
}

Result<QString> WindowModel::readFile(const QString& path)
{
    setBusy(true);
    Result<QString> read = readWholeFile(path);
    setBusy(false);
    return read;
}

Result<> WindowModel::writeFile(const QString& path, QStringView text)
{
    setBusy(true);
    Result<> written = writeWholeFile(path, text);
    setBusy(false);
    return written;
}

bool WindowModel::isRunning() const
{
    return m_run->isRunning();
}

void WindowModel::cancelRun()
{
    m_run->cancel();
}

// Runs the analyzer on `text`; the outcome comes to takeOutcome(). An empty
// text runs nothing.
void WindowModel::analyze(const QList<TextPiece>& text, bool empty)
{
    pushUndoSnapshot();
    if (empty) {
        m_view.result->setText(QString());
        return;
    }
    recordOptionHistory();
    m_run->start(text, m_optionText);
}

// The end of a run: its answer shown, or its message; the result pane is
// emptied when there is no answer.
void WindowModel::takeOutcome(const AnalyzerRun::Outcome& outcome)
{
    if (outcome.waited) {
        emit runningChanged(false);
        setBusy(false);
    }
    if (!outcome.cancelled && outcome.error == ErrorNumber::NoError) {
        showOutput();
        return;
    }
    if (!outcome.cancelled) // stopped on purpose: no message
        m_view.prompter->inform(analyzeFailed(outcome.error));
    m_view.result->setText(QString());
}

void WindowModel::pushUndoSnapshot()
{
    m_undo.push({m_view.sentence->text(), m_view.result->text()});
}

// A run under way holds the panes and the temporary files. This is the one
// place that says what it refuses: every command that would change a pane,
// quietly; an edit command only when the focus is on a pane.

void WindowModel::whenIdle(const std::function<void()>& command)
{
    if (!m_run->isRunning())
        command();
}

TextControl* WindowModel::editableFocus() const
{
    TextControl* control = m_view.focusedTextControl();
    return control && control->isPane() && m_run->isRunning() ? nullptr : control;
}

void WindowModel::analyzeAll() { whenIdle([this] { analyzeText(m_view.sentence->text()); }); }
void WindowModel::analyzePartial() { whenIdle([this] { analyzeText(m_view.sentence->selectedText()); }); }
void WindowModel::clearPanes() { whenIdle([this] { clearBoth(); }); }
void WindowModel::undo() { whenIdle([this] { stepUndo(&UndoRing::undo); }); }
void WindowModel::redo() { whenIdle([this] { stepUndo(&UndoRing::redo); }); }
void WindowModel::loadSentenceText(const QString& text) { whenIdle([&] { loadText(text); }); }
void WindowModel::openTextFile() { whenIdle([this] { openChosenFile(); }); }
void WindowModel::drop(const DroppedData& dropped) { whenIdle([&] { loadDropped(dropped); }); }
void WindowModel::saveResult() { whenIdle([this] { saveResultPane(); }); }
void WindowModel::appendResult() { whenIdle([this] { appendResultPane(); }); }
void WindowModel::pasteAsSentence() { whenIdle([this] { pasteClipboardAsSentence(); }); }

void WindowModel::stepUndo(bool (UndoRing::*step)(PanePair&))
{
    PanePair panes{m_view.sentence->text(), m_view.result->text()};
    if (!(m_undo.*step)(panes))
        return;
    m_view.sentence->setText(panes.sentence);
    m_view.result->setText(panes.result);
}

void WindowModel::loadText(const QString& text)
{
    loadIncoming({{TextPiece{text, {}, {}}}, text.size(), text});
}

// Every way in from outside the keyboard comes here: a text that fits is
// put into the sentence pane; a larger one is offered to be analyzed whole
// (it never enters a pane) or shown cut to the pane's size.
void WindowModel::loadIncoming(const Incoming& text)
{
    if (text.units <= paneLimit) {
        pushUndoSnapshot();
        m_view.sentence->setText(text.head);
        m_view.result->setText(QString());
        return;
    }
    if (m_view.prompter->ask(textTooLarge)) {
        analyze(text.pieces, false);
        return;
    }
    pushUndoSnapshot();
    m_view.sentence->setText(paneHead(text.head));
    m_view.result->setText(QString());
}

void WindowModel::analyzeText(const QString& text)
{
    analyze({TextPiece{text, {}, {}}}, text.isEmpty());
}

void WindowModel::clearBoth()
{
    pushUndoSnapshot();
    m_view.sentence->setText(QString());
    m_view.result->setText(QString());
    updateCaption();
    m_view.sentence->focus();
}

} // namespace yomika
