#pragma once

#include <functional>
#include <optional>

#include <QString>

// What only a view can do, as the window's model sees it: text controls with
// their selection, questions and messages, file dialogs, the clipboard and the
// busy pointer. The window hands its own implementations to the model; tests
// hand plain ones, so every command runs without a window.

namespace yomika {

/// A control that holds editable text (a pane or an editable combo box).
/// Positions and lengths are UTF-16 units of its exact text.
class TextControl {
public:
    virtual ~TextControl() = default;
    virtual QString text() const = 0;
    /// The start of the selection, or the caret when nothing is selected.
    virtual qsizetype selectionStart() const = 0;
    virtual qsizetype selectionLength() const = 0;
    virtual QString selectedText() const = 0;
    /// Replaces the text as a change of the control (the delimiter box then
    /// rebuilds the option string) and leaves the caret at `caret`, nothing selected.
    virtual void setTextAndCaret(const QString& text, qsizetype caret) = 0;
    virtual void selectAll() = 0;
    /// True for the two text panes, which a waiting analyzer run keeps.
    virtual bool isPane() const { return false; }
};

/// One of the two text panes.
class Pane : public TextControl {
public:
    /// Replaces the whole text exactly.
    virtual void setText(const QString& text) = 0;
    /// Selects `length` units from `start` and puts the caret at the end.
    virtual void setSelection(qsizetype start, qsizetype length) = 0;
    /// Gives the pane the keyboard focus.
    virtual void focus() = 0;
    bool isPane() const override { return true; }
    void selectAll() override { setSelection(0, text().size()); }
    void setTextAndCaret(const QString& text, qsizetype caret) override
    {
        setText(text);
        setSelection(caret, 0);
    }
};

/// Questions, messages and file dialogs. Message boxes are modal, titled with
/// the application title, without an icon.
class Prompter {
public:
    virtual ~Prompter() = default;
    /// Shows `text` with OK and Cancel, OK the default. True only for OK;
    /// Esc or closing the box is Cancel.
    virtual bool ask(const QString& text) = 0;
    /// Shows `text` with OK only.
    virtual void inform(const QString& text) = 0;
    /// The Open dialog: all files listed, starting at `initialName`. The chosen
    /// full path, or empty when cancelled or when no dialog could be shown.
    virtual QString chooseOpenFile(const QString& title, const QString& initialName) = 0;
    /// The Save dialog: no filter, no default extension, no question when the
    /// file exists, starting at `initialName`. The chosen full path, or empty.
    virtual QString chooseSaveFile(const QString& title, const QString& initialName) = 0;
};

/// The system clipboard, plain text only. Another program may hold it at the
/// moment a command runs; these calls say so instead of pretending.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    /// The clipboard's text, empty when it holds none; nullopt when the
    /// platform could not hand the clipboard over.
    virtual std::optional<QString> readText() = 0;
    /// False when the clipboard did not take `text`.
    virtual bool writeText(const QString& text) = 0;
};

/// The main window's busy pointer.
class BusyPointer {
public:
    virtual ~BusyPointer() = default;
    /// Shows the hourglass (true) or the default pointer (false).
    virtual void showBusy(bool busy) = 0;
};

/// What the model is given. Every pointer outlives the model's use of it.
struct ViewParts {
    Pane* sentence = nullptr;
    Pane* result = nullptr;
    /// The text control that has the keyboard focus, or null for any other control.
    std::function<TextControl*()> focusedTextControl;
    Prompter* prompter = nullptr;
    Clipboard* clipboard = nullptr;
    BusyPointer* busy = nullptr;
};

/// The application title every message box shows.
inline QString applicationTitle() { return QStringLiteral("Yomika 2000"); }

} // namespace yomika
