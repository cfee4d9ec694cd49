#include "platform/terminationsignal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
volatile sig_atomic_t g_writeEnd = -1;
int g_readEnd = -1;

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_writeEnd, &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignal::TerminationSignal(QObject* parent) : QObject(parent)
{
    int sockets[2];
    // The handler must never block: a full socket already holds a request to close.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sockets) != 0)
        return; // the program still runs; a signal then ends it the default way
    g_writeEnd = sockets[0];
    g_readEnd = sockets[1];
    m_notifier = new QSocketNotifier(g_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_readEnd, bytes, sizeof bytes) > 0) {
        }
        // A second signal while the windows close ends the program the default way, should
        // the closing hang.
        setHandler(SIG_DFL);
        emit received();
    });
    setHandler(onSignal);
}

TerminationSignal::~TerminationSignal()
{
    if (!m_notifier)
        return;
    setHandler(SIG_DFL);
    ::close(g_writeEnd);
    ::close(g_readEnd);
    g_writeEnd = g_readEnd = -1;
}
