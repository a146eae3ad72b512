#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

class QSessionManager;

namespace yomika {

class MainWindow;

/// Makes every way the program can be ended close the window the ordinary
/// way, so that its shut-down writes the settings file:
///  - the desktop session ending: the settings are written when the session
///    manager asks for the program's data, without asking the user anything
///    and without ever cancelling or holding up the end of the session; the
///    window stays as it is, so a session end that is called off loses
///    nothing;
///  - the application quitting by any means (the session manager's order to
///    die included): the window is closed before the program ends;
///  - where the system has them, termination signals (SIGTERM, SIGHUP,
///    SIGINT): the window is closed and the program ends.
/// Lives as a child of the window. Install it before start-up, so a signal
/// that arrives while the window starts is handled once the events run.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    /// Where the signals cannot be watched (no socket pair), the
    /// session end and quitting are still handled.
    explicit SessionEnd(MainWindow* window);
    ~SessionEnd() override;

    /// What the session manager's request for the program's data does:
    /// writes the settings, asks nothing, leaves the window open.
    void commitData();

    /// What a termination signal or the end of the application does: closes
    /// the window (its shut-down runs once) and ends the event loops.
    void closeAndQuit();

private:
    void saveState(QSessionManager& manager);

    QPointer<MainWindow> m_window;
    bool m_signalsWatched = false;
};

namespace sessionend {
/// Calls `onSignal` on the user-interface thread, from the event loop, each
/// time the process receives a termination signal; the signals no longer end
/// the process by themselves. Returns false, changing nothing, when the
/// platform has no such signals or they cannot be watched. One watcher per
/// process; `owner` owns what it creates. (sessionend_posix.cc, sessionend_win.cc)
bool watchTerminationSignals(QObject* owner, std::function<void()> onSignal);
/// Gives the signals back to their default action.
void unwatchTerminationSignals();
} // namespace sessionend

} // namespace yomika
