// The 編集 menu's clipboard and selection commands. The window does the
// editing itself, on the exact text of the focused control, so the pane's
// own editing (which would turn CR LF into block breaks) never runs.

#include "gui/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>

#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/prompter.h"
#include "gui/widgets.h"

namespace yomika {

namespace {

// The most a pane shows; a longer paste is still carried out whole.
constexpr qsizetype paneLimit = 32767;

bool failReads = false;
bool failWrites = false;

// The text, selection and caret of a pane or of an editable combo box, in
// positions of the control's exact text.
class TextControl {
public:
    explicit TextControl(QWidget* control)
        : m_pane(qobject_cast<ExactTextEdit*>(control))
        , m_combo(m_pane ? nullptr : qobject_cast<LineComboBox*>(control))
    {
    }

    explicit operator bool() const { return m_pane || m_combo; }
    bool isPane() const { return m_pane; }

    QString text() const { return m_pane ? m_pane->text() : m_combo->text(); }

    qsizetype selectionStart() const
    {
        if (m_pane)
            return m_pane->selectionStart();
        const QLineEdit* edit = m_combo->lineEdit();
        return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    }

    qsizetype selectionLength() const
    {
        return m_pane ? m_pane->selectionLength() : m_combo->lineEdit()->selectionLength();
    }

    QString selectedText() const
    {
        return m_pane ? m_pane->selectedText() : m_combo->lineEdit()->selectedText();
    }

    // Sets the text as a change of the control (the delimiter box rebuilds
    // the option string) and leaves the caret at `caret`, nothing selected.
    void setText(const QString& text, qsizetype caret)
    {
        if (m_pane) {
            m_pane->setText(text);
            m_pane->setSelection(caret, 0);
        } else {
            m_combo->setText(text);
            m_combo->lineEdit()->setCursorPosition(int(caret));
        }
    }

    void selectAll()
    {
        if (m_pane)
            m_pane->setSelection(0, m_pane->textLength());
        else
            m_combo->lineEdit()->selectAll();
    }

private:
    ExactTextEdit* m_pane;
    LineComboBox* m_combo;
};

} // namespace

namespace clipboard {

std::optional<QString> readText()
{
    if (failReads)
        return std::nullopt;
    const QClipboard* board = QGuiApplication::clipboard();
    const QMimeData* data = board ? board->mimeData() : nullptr;
    if (!data)
        return std::nullopt;
    return data->text();
}

bool writeText(const QString& text)
{
    if (failWrites)
        return false;
    QClipboard* board = QGuiApplication::clipboard();
    if (!board)
        return false;
    board->setText(text);
    // When another program kept the clipboard, it still holds its own data.
    return board->ownsClipboard() || board->text() == text;
}

} // namespace clipboard

namespace testing {
void failClipboard(bool reads, bool writes)
{
    failReads = reads;
    failWrites = writes;
}
} // namespace testing

QWidget* MainWindow::focusedTextControl() const
{
    // An editable combo box gives the keyboard focus to its line edit.
    QWidget* focus = focusWidget();
    if (!focus)
        return nullptr;
    if (focus == m_sentence || focus == m_result)
        return focus;
    if (focus == m_delimiter || focus == m_delimiter->lineEdit())
        return m_delimiter;
    if (focus == m_optionList || focus == m_optionList->lineEdit())
        return m_optionList;
    return nullptr;
}

void MainWindow::cut()
{
    TextControl control(focusedTextControl());
    if (!control || (control.isPane() && isRunning()))
        return;
    const QString selected = control.selectedText();
    if (selected.isEmpty() || !clipboard::writeText(selected))
        return;
    const qsizetype start = control.selectionStart();
    QString text = control.text();
    text.remove(start, control.selectionLength());
    control.setText(text, start);
}

void MainWindow::copy()
{
    const TextControl control(focusedTextControl());
    if (!control)
        return;
    const QString selected = control.selectedText();
    if (!selected.isEmpty())
        clipboard::writeText(selected);
}

void MainWindow::paste()
{
    const std::optional<QString> pasted = clipboard::readText();
    if (!pasted || pasted->isEmpty())
        return;
    TextControl control(focusedTextControl());
    if (!control || (control.isPane() && isRunning()))
        return;
    const qsizetype start = control.selectionStart();
    QString text = control.text();
    text.replace(start, control.selectionLength(), *pasted);
    if (text.size() > paneLimit)
        m_prompter->inform(this, QStringLiteral("テキストが大きすぎて全体を表示できません。"));
    control.setText(text, start + pasted->size());
}

void MainWindow::selectAll()
{
    TextControl control(focusedTextControl());
    if (control)
        control.selectAll();
}

void MainWindow::copyResult()
{
    const QString text = m_result->text();
    if (text.isEmpty() || !clipboard::writeText(text))
        return;
    m_result->setSelection(0, text.size());
    m_result->setFocus();
}

void MainWindow::pasteAsSentence()
{
    if (isRunning())
        return;
    const std::optional<QString> pasted = clipboard::readText();
    if (pasted)
        loadSentenceText(*pasted);
}

} // namespace yomika
