#include "engines/fileclosewatcher.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

FileCloseWatcher::FileCloseWatcher(QObject *parent)
    : QObject(parent)
    , m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FileCloseWatcher::readEvents);
}

FileCloseWatcher::~FileCloseWatcher()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void FileCloseWatcher::watch(const QString &path)
{
    stopWatching();
    m_path = path;
    if (m_fd < 0 || path.isEmpty())
        return;
    // The folder is watched: the file may not exist yet, and a watch on the file itself
    // would follow it when it is renamed.
    const QFileInfo info(path);
    m_name = QFile::encodeName(info.fileName());
    m_watch = ::inotify_add_watch(m_fd, QFile::encodeName(info.absolutePath()).constData(),
                                  IN_CLOSE_WRITE | IN_ONLYDIR);
}

void FileCloseWatcher::stopWatching()
{
    if (m_watch >= 0)
        ::inotify_rm_watch(m_fd, m_watch);
    m_watch = -1;
    m_path.clear();
    m_name.clear();
}

void FileCloseWatcher::readEvents()
{
    alignas(inotify_event) char buffer[4096];
    bool closed = false;
    for (;;) {
        const ssize_t size = ::read(m_fd, buffer, sizeof buffer);
        if (size <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= size;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char *name = buffer + at + sizeof event;
            closed = closed
                     || (event.wd == m_watch && (event.mask & IN_CLOSE_WRITE) && event.len > 0
                         && m_name == QByteArray(name, int(::strnlen(name, event.len))));
            at += ssize_t(sizeof event) + event.len;
        }
    }
    if (closed)
        emit closedAfterWriting(m_path);
}
