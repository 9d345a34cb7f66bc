#include "engines/heldoutput.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// How long the reader waits for the pipe before it looks whether it is to stop: an engine
// that has not opened the pipe yet gives no sign at all.
constexpr int PollMs = 20;
}

HeldOutput::HeldOutput()
{
    if (!m_folder.isValid())
        return;
    const QString path = m_folder.filePath(QStringLiteral("answer"));
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) == 0)
        m_path = path;
}

HeldOutput::~HeldOutput()
{
    finish();
}

void HeldOutput::open(qint64 limit)
{
    if (m_path.isEmpty() || m_reader.joinable())
        return;
    // Without waiting for the engine: a reader that opens without blocking lets the
    // engine's own open go on, and sees no end of the pipe before the engine has opened it.
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    m_reader = std::thread([this, fd, limit] { read(fd, limit); });
}

void HeldOutput::finish()
{
    m_stop = true;
    if (m_reader.joinable())
        m_reader.join();
}

void HeldOutput::read(int fd, qint64 limit)
{
    char buffer[64 * 1024];
    pollfd descriptor{fd, POLLIN, 0};
    for (;;) {
        const bool stopping = m_stop;
        const int ready = ::poll(&descriptor, 1, stopping ? 0 : PollMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            if (stopping || ready < 0)
                break;
            continue;
        }
        // Data, or the end of a pipe the engine had opened: either way it did open it.
        m_connected = true;
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (count <= 0)
            break;
        const qint64 room = std::max<qint64>(0, limit - m_bytes.size());
        m_bytes.append(buffer, int(std::min<qint64>(room, count)));
        if (count > room) {
            // Nothing past the limit is of use; closing the pipe stops the engine.
            m_dropped += count - room;
            break;
        }
    }
    ::close(fd);
}
