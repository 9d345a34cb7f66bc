#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class Console;
class Job;
class JobManager;

// Base of the editors that change media files without re-encoding them (split, merge).
// An editor is made for one operation: it queues its jobs on its host job manager, logs to
// the process-wide console and, with auto-delete on, deletes itself once it has finished.
class MediaEditor : public QObject
{
    Q_OBJECT

public:
    // A null host is refused (std::bad_alloc, as Qt reports a failed allocation).
    explicit MediaEditor(JobManager *host);

    void setAutoDelete(bool on);
    void setOutputFolder(const QString &folder);
    QString outputFolder() const { return m_outputFolder; }
    JobManager *host() const { return m_host; }

protected:
    // The files a job's output is made of, which its end is judged against.
    static void setSources(Job *job, const QStringList &files);

    Console *m_console;
    JobManager *m_host;
    QString m_outputFolder;
};
