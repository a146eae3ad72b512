// The model's state, the option string, the analyzer run, and the two panes:
// how a text enters the sentence pane, how a result reaches the result pane,
// and undo and redo of the pane pair.

#include "core/model/windowmodel.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include "core/analysis/analyzerprocess.h"
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
{
}

// The run (a child) stops its analyzer; the view's parts may be gone already
// and are not touched.
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
    return m_run && m_run->isRunning();
}

void WindowModel::cancelRun()
{
    if (isRunning())
        m_run->cancel();
}

// Runs the analyzer on `text` and tells whether output.tmp holds its answer;
// a failure has shown its message. An empty text runs nothing.
bool WindowModel::runAnalyzer(const QList<TextPiece>& text, bool empty)
{
    // Two runs would share input.tmp and output.tmp: one waits at a time.
    if (isRunning())
        return false;
    pushUndoSnapshot();
    if (empty)
        return false;

    // The previous output goes first, so that a run can never hand back an
    // earlier run's result; a file that cannot be deleted is left to the
    // analyzer, which replaces it.
    QFile::remove(fixedPath(programfile::outputFile));
    recordOptionHistory();

    setBusy(true);
    const Result<> written = writeWholeFileFrom(fixedPath(programfile::inputFile), *utf8Source(text));
    setBusy(false);
    if (!written) {
        m_view.prompter->inform(analyzeFailed(written.error()));
        return false;
    }

    if (!m_run) {
        m_run = new AnalyzerProcess(this);
        connect(m_run, &AnalyzerProcess::progressed, this, [this](qint64 bytes) {
            emit runProgressed(m_inputSize > 0 ? int(qMin<qint64>(1000, bytes * 1000 / m_inputSize)) : 1000);
        });
    }
    m_inputSize = QFileInfo(fixedPath(programfile::inputFile)).size();
    // The run's nested event loop lets the window be closed, and even
    // destroyed, before it returns; the process goes with the model, and
    // nothing of the model is touched afterwards (the arguments are copies
    // for the same reason). The view restores its own pointer when it goes.
    const QPointer<WindowModel> self(this);
    const ProgramFolders folders = m_folders;
    const QString options = m_optionText;
    setBusy(true);
    emit runningChanged(true);
    const AnalyzerProcess::Outcome outcome = m_run->run(folders, options);
    if (!self)
        return false;
    emit runningChanged(false);
    setBusy(false);

    if (outcome.cancelled)
        return false; // stopped on purpose: no message
    if (outcome.error != ErrorNumber::NoError) {
        m_view.prompter->inform(analyzeFailed(outcome.error));
        return false;
    }
    return true;
}

void WindowModel::pushUndoSnapshot()
{
    m_undo.push({m_view.sentence->text(), m_view.result->text()});
}

void WindowModel::undo()
{
    if (isRunning())
        return;
    PanePair panes{m_view.sentence->text(), m_view.result->text()};
    if (!m_undo.undo(panes))
        return;
    m_view.sentence->setText(panes.sentence);
    m_view.result->setText(panes.result);
}

void WindowModel::redo()
{
    if (isRunning())
        return;
    PanePair panes{m_view.sentence->text(), m_view.result->text()};
    if (!m_undo.redo(panes))
        return;
    m_view.sentence->setText(panes.sentence);
    m_view.result->setText(panes.result);
}

void WindowModel::loadSentenceText(const QString& text)
{
    loadIncoming({{TextPiece{text, {}, {}}}, text.size(), text});
}

// Every way in from outside the keyboard comes here: a text that fits is
// put into the sentence pane; a larger one is offered to be analyzed whole
// (it never enters a pane) or shown cut to the pane's size.
void WindowModel::loadIncoming(const Incoming& text)
{
    // A load that arrives while a run waits is refused for all ways at once.
    if (isRunning())
        return;
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

void WindowModel::analyze(const QList<TextPiece>& text, bool empty)
{
    // The model may be destroyed with its window while the run waits.
    const QPointer<WindowModel> self(this);
    const bool done = runAnalyzer(text, empty);
    if (!self)
        return;
    if (done)
        showOutput();
    else
        m_view.result->setText(QString());
}

void WindowModel::analyzeAll()
{
    if (isRunning())
        return;
    const QString text = m_view.sentence->text();
    analyze({TextPiece{text, {}, {}}}, text.isEmpty());
}

void WindowModel::analyzePartial()
{
    if (isRunning())
        return;
    const QString text = m_view.sentence->selectedText();
    analyze({TextPiece{text, {}, {}}}, text.isEmpty());
}

void WindowModel::clearPanes()
{
    if (isRunning())
        return;
    pushUndoSnapshot();
    m_view.sentence->setText(QString());
    m_view.result->setText(QString());
    updateCaption();
    m_view.sentence->focus();
}

} // namespace yomika
