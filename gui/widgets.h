#pragma once

#include <QCheckBox>
#include <QComboBox>

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

/// An editable combo box whose text is exactly what was typed or set: no
/// completion, Enter adds nothing to the list, no length limit, input method
/// off. Line breaks in any text put into it become blanks, so a value never
/// breaks a line of the settings file.
class LineComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit LineComboBox(QWidget* parent = nullptr);

    /// Sets the edit text, line breaks turned into blanks.
    void setText(const QString& text);
    QString text() const { return currentText(); }

    /// `text` with every CR and LF replaced by a blank.
    static QString withoutLineBreaks(QString text);
};

} // namespace yomika
