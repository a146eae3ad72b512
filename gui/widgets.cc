#include "gui/widgets.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include "core/analysis/optionstring.h"

namespace yomika {

TwoClickCheckBox::TwoClickCheckBox(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent)
{
    setTristate(true);
}

void TwoClickCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void CommandButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

namespace {

// Typed and pasted text passes through here: line breaks become blanks, and
// everything else is accepted as it is.
class NoLineBreakValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        if (input.contains(u'\r') || input.contains(u'\n'))
            input = withoutLineBreaks(input);
        return Acceptable;
    }
};

} // namespace

LineComboBox::LineComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    // An editable combo box gets an inline, case-insensitive completer and
    // adds the typed text to its list on Enter; neither belongs here.
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    // The window places its controls itself, so the size hint is never used;
    // working it out from every item would measure each entry of a long
    // option history when the window is first shown.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMaxVisibleItems(20);
    QLineEdit* edit = lineEdit();
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setValidator(new NoLineBreakValidator(edit));
    setInputMethodHints(Qt::ImhPreferLatin);
    edit->setInputMethodHints(Qt::ImhPreferLatin);
    edit->installEventFilter(this);
}

bool LineComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == lineEdit())
        switchInputMethodOff(lineEdit());
    return QComboBox::eventFilter(watched, event);
}

void LineComboBox::setText(const QString& text)
{
    setEditText(withoutLineBreaks(text));
}

} // namespace yomika
