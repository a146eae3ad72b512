// Drops onto the window and its controls: every one reaches the model's one
// drop handler, which adds the text or the files' texts to the sentence.

#include <QCursor>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

#include "core/model/drops.h"
#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/widgets.h"

namespace yomika {

namespace {

bool isDragEvent(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

// A drop is never a move: a move would let the source delete the dropped
// file, or cut text dragged out of the sentence pane itself.
bool MainWindow::takeAsCopy(QDropEvent* event) const
{
    const QMimeData* data = event->mimeData();
    if (m_model->isRunning() || !data || !(event->possibleActions() & Qt::CopyAction) ||
        !offersTextOrFiles(*data) || (event->type() == QEvent::Drop && pointerOverALabel())) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

// Qt hands a drop to the widget that answered the last position the drag
// source sent, and a source may release without sending the final position
// (X11 sources skip positions inside the rectangle of an earlier answer), so
// the drop can arrive at a control the pointer has already left for a label.
// The pointer itself tells where the drop really is.
bool MainWindow::pointerOverALabel() const
{
    const QWidget* under = m_client->childAt(m_client->mapFromGlobal(QCursor::pos()));
    return under && (under == m_label1 || under == m_delimiterLabel);
}

/// Installed on the drop-target controls and on the widgets inside them that
/// really receive drag events (a pane's viewport, a combo box's line edit):
/// the control never handles a drop itself (a pane would insert the text,
/// or the file's URL, at the drop point); every drop goes to the window's
/// one handler. On the labels it swallows drags, so a drop there does
/// nothing.
class DropForwarder : public QObject {
public:
    enum class Role { Forward, Swallow };

    DropForwarder(MainWindow* window, Role role)
        : QObject(window)
        , m_window(window)
        , m_role(role)
    {
    }

    void watch(QWidget* widget)
    {
        widget->setAcceptDrops(true);
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (!isDragEvent(event))
            return false;
        auto* drop = static_cast<QDropEvent*>(event);
        if (m_role == Role::Swallow) {
            // The enter is taken, with no action, so that Qt does not hand
            // the drag on to the window behind the label; the moves and the
            // drop are refused, so the pointer shows that nothing drops here.
            drop->setDropAction(Qt::IgnoreAction);
            drop->setAccepted(event->type() == QEvent::DragEnter);
            return true;
        }
        if (m_window->takeAsCopy(drop) && event->type() == QEvent::Drop)
            m_window->handleDrop(drop->mimeData());
        return true;
    }

private:
    MainWindow* m_window;
    Role m_role;
};

void MainWindow::installDropTargets()
{
    auto* forwarder = new DropForwarder(this, DropForwarder::Role::Forward);
    const QList<QWidget*> controls{m_sentence, m_result, m_optionList, m_delimiter,
                                   m_fields[0], m_fields[1], m_fields[2], m_fields[3],
                                   m_fields[4], m_fields[5],
                                   m_analyzeAll, m_analyzePartial, m_clear};
    for (QWidget* control : controls)
        forwarder->watch(control);
    forwarder->watch(m_sentence->viewport());
    forwarder->watch(m_result->viewport());
    forwarder->watch(m_optionList->lineEdit());
    forwarder->watch(m_delimiter->lineEdit());

    auto* deadZone = new DropForwarder(this, DropForwarder::Role::Swallow);
    deadZone->watch(m_label1);
    deadZone->watch(m_delimiterLabel);
}

// The window's own area (and the menu bar): the same handler as the controls.
void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    takeAsCopy(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    takeAsCopy(event);
}

void MainWindow::dropEvent(QDropEvent* event)
{
    if (takeAsCopy(event))
        handleDrop(event->mimeData());
}

void MainWindow::handleDrop(const QMimeData* data)
{
    if (data)
        m_model->drop(interpretDrop(*data));
}

} // namespace yomika
