#include "gui/viewadapters.h"

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
    if (!board)
        return std::nullopt;
    // Qt's own clipboard after clear() holds no data object at all: that is
    // an empty clipboard, not one the platform failed to hand over.
    const QMimeData* data = board->mimeData();
    return data ? data->text() : QString();
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
    showBusy(false);
}

void WaitCursor::showBusy(bool busy)
{
    if (busy == !m_saved.isEmpty() || !m_window)
        return;
    if (!busy) {
        for (const auto& [widget, cursor] : std::as_const(m_saved)) {
            if (widget && cursor)
                widget->setCursor(*cursor);
            else if (widget)
                widget->unsetCursor();
        }
        m_saved.clear();
        return;
    }
    // The window and every widget in it that shows a pointer of its own (the
    // panes' and the boxes' text cursor) take the hourglass; dialogs and
    // message boxes are windows of their own and keep theirs.
    QList<QWidget*> widgets = m_window->findChildren<QWidget*>();
    widgets.prepend(m_window);
    for (QWidget* w : widgets) {
        if (w == m_window || w->testAttribute(Qt::WA_SetCursor)) {
            m_saved.append({w, w->testAttribute(Qt::WA_SetCursor) ? std::optional(w->cursor())
                                                                  : std::nullopt});
            w->setCursor(Qt::WaitCursor);
        }
    }
}

} // namespace yomika
