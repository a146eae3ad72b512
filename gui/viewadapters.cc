#include "gui/viewadapters.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>

#include "gui/exacttextedit.h"
#include "gui/widgets.h"

namespace yomika {

QString PaneControl::text() const
{
    return m_pane->text();
}

qsizetype PaneControl::selectionStart() const
{
    return m_pane->selectionStart();
}

qsizetype PaneControl::selectionLength() const
{
    return m_pane->selectionLength();
}

QString PaneControl::selectedText() const
{
    return m_pane->selectedText();
}

void PaneControl::setText(const QString& text)
{
    m_pane->setText(text);
}

void PaneControl::setSelection(qsizetype start, qsizetype length)
{
    m_pane->setSelection(start, length);
}

void PaneControl::focus()
{
    m_pane->setFocus();
}

QString ComboControl::text() const
{
    return m_combo->text();
}

qsizetype ComboControl::selectionStart() const
{
    const QLineEdit* edit = m_combo->lineEdit();
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

qsizetype ComboControl::selectionLength() const
{
    return m_combo->lineEdit()->selectionLength();
}

QString ComboControl::selectedText() const
{
    return m_combo->lineEdit()->selectedText();
}

void ComboControl::setTextAndCaret(const QString& text, qsizetype caret)
{
    m_combo->setText(text);
    m_combo->lineEdit()->setCursorPosition(int(caret));
}

void ComboControl::selectAll()
{
    m_combo->lineEdit()->selectAll();
}

std::optional<QString> SystemClipboard::readText()
{
    const QClipboard* board = QGuiApplication::clipboard();
    const QMimeData* data = board ? board->mimeData() : nullptr;
    if (!data)
        return std::nullopt;
    return data->text();
}

bool SystemClipboard::writeText(const QString& text)
{
    QClipboard* board = QGuiApplication::clipboard();
    if (!board)
        return false;
    board->setText(text);
    // When another program kept the clipboard, it still holds its own data.
    return board->ownsClipboard() || board->text() == text;
}

WaitCursor::~WaitCursor()
{
    if (m_shown)
        QApplication::restoreOverrideCursor();
}

void WaitCursor::showBusy(bool busy)
{
    if (busy == m_shown)
        return;
    m_shown = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace yomika
