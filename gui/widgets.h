#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

// Small control classes of the main window.

namespace yomika {

/// A check box with three states of which a click reaches only two: a click
/// toggles between clear and ticked, also from greyed; only the program sets
/// greyed.
class TwoClickCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TwoClickCheckBox(const QString& caption, QWidget* parent = nullptr);

protected:
    void nextCheckState() override;
};

/// A command button that a focused Enter or Return clicks, as Space does,
/// without the look of a dialog's default button.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

/// An editable combo box whose text is exactly what was typed or set: no
/// completion, Enter adds nothing to the list, no length limit. The input
/// method starts in its Latin mode where the platform has one (the user may
/// still switch it to Japanese). Line breaks in any text put into it become blanks, so a value never
/// breaks a line of the settings file.
class LineComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit LineComboBox(QWidget* parent = nullptr);

    /// Sets the edit text, line breaks turned into blanks.
    void setText(const QString& text);
    QString text() const { return currentText(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

/// Puts the input method of `widget`'s window into its direct (Latin) mode,
/// leaving the user free to switch it on again; does nothing where the
/// platform has no such mode (widgets_posix.cc, widgets_win.cc).
void switchInputMethodOff(QWidget* widget);

} // namespace yomika
