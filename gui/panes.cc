// The two panes: how a text enters the sentence pane and how a result
// reaches the result pane, the analyze and clear commands, and undo and redo
// of the pane pair.

#include <QPointer>

#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/prompter.h"

namespace yomika {

namespace {

// A pane shows at most this many UTF-16 units; a longer text is offered to be
// analyzed or saved whole instead, and otherwise shown cut to this length.
constexpr qsizetype paneLimit = 32767;

bool fitsPane(const QString& text)
{
    return text.size() <= paneLimit;
}

// The first paneLimit units of `text`. A character outside the BMP that
// straddles the limit is left out whole rather than kept as half a pair.
QString paneHead(const QString& text)
{
    qsizetype length = paneLimit;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

const QString textTooLarge = QStringLiteral("テキストが大きすぎて全体を表示できません。\r\n"
                                            "今すぐ解析を行いますか？");
const QString resultTooLarge = QStringLiteral("結果が大きすぎて全体を表示できません。\r\n"
                                              "今すぐ結果を保存しますか？");

} // namespace

void MainWindow::pushUndoSnapshot()
{
    m_undo.push({m_sentence->text(), m_result->text()});
}

void MainWindow::undo()
{
    if (isRunning())
        return;
    PanePair panes{m_sentence->text(), m_result->text()};
    if (!m_undo.undo(panes))
        return;
    m_sentence->setText(panes.sentence);
    m_result->setText(panes.result);
}

void MainWindow::redo()
{
    if (isRunning())
        return;
    PanePair panes{m_sentence->text(), m_result->text()};
    if (!m_undo.redo(panes))
        return;
    m_sentence->setText(panes.sentence);
    m_result->setText(panes.result);
}

void MainWindow::loadSentenceText(const QString& text)
{
    // Every way in from outside the keyboard comes here, so a load that
    // arrives while a run waits is refused for all of them at once.
    if (isRunning())
        return;
    if (fitsPane(text)) {
        pushUndoSnapshot();
        m_sentence->setText(text);
        m_result->setText(QString());
        return;
    }
    if (m_prompter->ask(this, textTooLarge)) {
        // The whole text goes to the analyzer without ever entering a pane.
        const QPointer<MainWindow> self(this);
        const QString output = runAnalyzer(text);
        if (self)
            showResultText(output);
        return;
    }
    pushUndoSnapshot();
    m_sentence->setText(paneHead(text));
    m_result->setText(QString());
}

void MainWindow::showResultText(const QString& text)
{
    if (fitsPane(text)) {
        m_result->setText(text);
        return;
    }
    if (m_prompter->ask(this, resultTooLarge)) {
        // Saved whole; the pane keeps what it had before the analysis.
        saveResultAs(text);
        return;
    }
    m_result->setText(paneHead(text));
}

void MainWindow::analyzeAll()
{
    if (isRunning())
        return;
    // The window may be closed and destroyed while the run waits.
    const QPointer<MainWindow> self(this);
    const QString output = runAnalyzer(m_sentence->text());
    if (self)
        showResultText(output);
}

void MainWindow::analyzePartial()
{
    if (isRunning())
        return;
    const QPointer<MainWindow> self(this);
    const QString output = runAnalyzer(m_sentence->selectedText());
    if (self)
        showResultText(output);
}

void MainWindow::clearPanes()
{
    if (isRunning())
        return;
    pushUndoSnapshot();
    m_sentence->setText(QString());
    m_result->setText(QString());
    updateCaption();
    m_sentence->setFocus();
}

} // namespace yomika
