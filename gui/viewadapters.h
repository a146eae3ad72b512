#pragma once

#include <QCursor>
#include <QList>
#include <QPointer>

#include "core/model/viewparts.h"

class QWidget;

// The window's own implementations of the parts of a view the model uses:
// the panes and combo boxes as text controls, the system clipboard and the
// busy pointer.

namespace yomika {

class ExactTextEdit;
class LineComboBox;

/// A text pane as the model sees it.
class PaneControl : public Pane {
public:
    explicit PaneControl(ExactTextEdit* pane)
        : m_pane(pane)
    {
    }
    QString text() const override;
    qsizetype selectionStart() const override;
    qsizetype selectionLength() const override;
    QString selectedText() const override;
    void setText(const QString& text) override;
    void setSelection(qsizetype start, qsizetype length) override;
    void focus() override;

private:
    ExactTextEdit* m_pane;
};

/// An editable combo box's text, as the edit commands see it.
class ComboControl : public TextControl {
public:
    explicit ComboControl(LineComboBox* combo)
        : m_combo(combo)
    {
    }
    QString text() const override;
    qsizetype selectionStart() const override;
    qsizetype selectionLength() const override;
    QString selectedText() const override;
    void setTextAndCaret(const QString& text, qsizetype caret) override;
    void selectAll() override;

private:
    LineComboBox* m_combo;
};

/// The system clipboard through QClipboard.
class SystemClipboard : public Clipboard {
public:
    std::optional<QString> readText() override;
    bool writeText(const QString& text) override;
};

/// The hourglass over the main window while the model is busy; the pointers
/// it replaced come back when it ends, and when it goes.
class WaitCursor : public BusyPointer {
public:
    explicit WaitCursor(QWidget* window)
        : m_window(window)
    {
    }
    ~WaitCursor() override;
    void showBusy(bool busy) override;

private:
    QPointer<QWidget> m_window;
    // Each widget that took the hourglass, with the pointer it had set (none:
    // it followed its parent).
    QList<std::pair<QPointer<QWidget>, std::optional<QCursor>>> m_saved;
};

} // namespace yomika
