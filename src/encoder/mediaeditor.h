#pragma once

#include <QObject>
#include <QString>

class Console;
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
    Console *m_console;
    JobManager *m_host;
    QString m_outputFolder;
};
