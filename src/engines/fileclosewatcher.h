#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// Tells when the file at a path is closed by a program that wrote it: the moment an engine
// has finished its output, some milliseconds before its process has ended and been reaped.
// The file need not exist yet. Where the system cannot tell (no inotify, the folder missing,
// no watches left), it never tells; callers go on when the writer's process ends.
class FileCloseWatcher : public QObject
{
    Q_OBJECT

public:
    explicit FileCloseWatcher(QObject *parent = nullptr);
    ~FileCloseWatcher() override;

    // Watches this path instead of the one before; an empty path watches none.
    void watch(const QString &path);
    QString path() const { return m_path; }

signals:
    void closedAfterWriting(const QString &path);

private:
    void readEvents();
    void stopWatching();

    int m_fd = -1;
    int m_watch = -1;
    QString m_path;
    QByteArray m_name;
    QSocketNotifier *m_notifier = nullptr;
};
