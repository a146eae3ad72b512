// Termination signals on POSIX systems. A signal handler may do almost
// nothing, so it only writes one byte into a socket pair; the other end is
// watched by the event loop, which then closes the window the ordinary way.

#include "gui/sessionend.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>

namespace yomika::sessionend {

namespace {

constexpr int watchedSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Written by the handler, read by the event loop. Close-on-exec, so the
// analyzer and the text viewer never inherit them.
int signalFds[2] = {-1, -1};
QPointer<QSocketNotifier> signalNotifier;

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // A full socket already holds a byte the event loop has yet to see; one
    // is all it needs, so a failed write is of no concern.
    [[maybe_unused]] const ssize_t written = ::write(signalFds[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

bool watchTerminationSignals(QObject* owner, std::function<void()> onSignal)
{
    if (signalFds[0] >= 0)
        return false;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
        return false;
    signalFds[0] = fds[0];
    signalFds[1] = fds[1];

    signalNotifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, owner);
    QObject::connect(signalNotifier.data(), &QSocketNotifier::activated, owner, [onSignal = std::move(onSignal)] {
        char bytes[64];
        while (::read(signalFds[1], bytes, sizeof bytes) > 0) {
        }
        onSignal();
    });

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : watchedSignals)
        ::sigaction(signal, &action, nullptr);
    return true;
}

void unwatchTerminationSignals()
{
    if (signalFds[0] < 0)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : watchedSignals)
        ::sigaction(signal, &action, nullptr);
    delete signalNotifier;
    ::close(signalFds[0]);
    ::close(signalFds[1]);
    signalFds[0] = signalFds[1] = -1;
}

} // namespace yomika::sessionend
