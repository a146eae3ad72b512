#include "gui/sessionend.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>

#include "gui/mainwindow.h"

namespace yomika {

SessionEnd::SessionEnd(MainWindow* window)
    : QObject(window)
    , m_window(window)
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // Direct connections: the session manager waits for these handlers,
        // and they return at once without asking the user anything.
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            commitData();
        });
        connect(app, &QGuiApplication::saveStateRequest, this, &SessionEnd::saveState);
    }
    // However the event loop ended (the session manager's order to die, a
    // quit from anywhere), the window closes before the program returns.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (m_window)
                m_window->close();
        });
    m_signalsWatched = sessionend::watchTerminationSignals(this, [this] { closeAndQuit(); });
}

SessionEnd::~SessionEnd()
{
    if (m_signalsWatched)
        sessionend::unwatchTerminationSignals();
}

void SessionEnd::commitData()
{
    // The session may still be called off by another program, so the window
    // stays open; if the session does end, closing it writes the file again
    // with whatever changed in between.
    if (m_window)
        m_window->model().shutDown();
}

void SessionEnd::saveState(QSessionManager& manager)
{
    // The program keeps nothing for the session to restore: its choices are
    // in the settings file, so it is not started again at the next log-on.
    manager.setRestartHint(QSessionManager::RestartNever);
}

void SessionEnd::closeAndQuit()
{
    // close() runs shut-down once (a window already closed is left alone);
    // quitting also ends any dialog or analyzer run still waiting.
    if (m_window)
        m_window->close();
    QCoreApplication::quit();
}

} // namespace yomika
