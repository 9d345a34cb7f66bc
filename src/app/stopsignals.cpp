#include "app/stopsignals.h"

#include <QSocketNotifier>

#include <iterator>

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {
// Ctrl+C (SIGINT) and Ctrl+\ (SIGQUIT) in the terminal that started the program end it as a
// "kill PID" does: their default would leave a running job's output cut under its final name.
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

// The pipe from the handler to the event loop: a handler may only write a byte.
int s_pipe[2] = {-1, -1};
struct sigaction s_previous[std::size(kSignals)];

// Caught rather than ignored: a caught signal goes back to its default in a program that
// is executed, so an engine the program starts still ends when its own reader goes away, as
// it does when started from a terminal.
void onBrokenPipe(int)
{
}

void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &byte, 1);
    errno = saved;
}
} // namespace

void StopSignals::outliveReaders()
{
    struct sigaction action = {};
    action.sa_handler = onBrokenPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGPIPE, &action, nullptr);
}

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    outliveReaders();
    if (s_pipe[0] >= 0 || ::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &s_previous[i]);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &s_previous[i], nullptr);
    delete m_notifier;
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

void StopSignals::readPipe()
{
    char bytes[16];
    ssize_t count;
    while ((count = ::read(s_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit received(int(bytes[i]));
    }
}
