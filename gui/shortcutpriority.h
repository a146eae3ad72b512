#pragma once

#include <QObject>

class QWidget;

namespace yomika {

/// Installed on the application: for a key that one of the window's actions
/// has as a shortcut, the focused control's claim on the key (its
/// ShortcutOverride) is declined, so the window's command runs instead of
/// the control's built-in one.
class ShortcutPriorityFilter : public QObject {
    Q_OBJECT
public:
    explicit ShortcutPriorityFilter(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
};

} // namespace yomika
