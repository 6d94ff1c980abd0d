#include "TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the handler, read by the event loop; one pair for the program.
int signalPipe[2] = {-1, -1};

const int handledSignals[] = {SIGTERM, SIGINT};

extern "C" void onTerminationSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    // Only what is safe in a signal handler; a full pipe already holds a signal to act on.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readSignal(); });

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : handledSignals)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    restoreDefaults();
}

void TerminationSignals::restoreDefaults()
{
    // Back to the system's handling: a signal that comes later ends the program at once.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : handledSignals)
        ::sigaction(number, &action, nullptr);
}

void TerminationSignals::readSignal()
{
    char byte = 0;
    while (::read(signalPipe[1], &byte, 1) == 1) {
        if (m_received == 0)
            m_received = static_cast<unsigned char>(byte);
    }
    // A second signal, while the program ends, ends it at once: an end that hangs (a server
    // that does not answer) can still be ended.
    restoreDefaults();
    // Every event loop is left, a dialog's as well as the program's; the end of the program
    // does the rest.
    QCoreApplication::exit(0);
}
