#include "encoder/mediaeditor.h"

#include "engines/engineobjects.h"
#include "jobs/jobmanager.h"
#include "jobs/mervojob.h"
#include "jobs/mervotask.h"

MediaEditor::MediaEditor(JobManager *host)
    : QObject(nullptr)
    , m_console(EngineObjects::console())
    , m_host(host)
{
    if (!host)
        qBadAlloc();
}

void MediaEditor::setAutoDelete(bool on)
{
    // finished() is declared by each editor, not by this base, so the connection is made
    // by signature and resolved against the editor this object really is.
    if (on)
        connect(this, SIGNAL(finished()), this, SLOT(deleteLater()), Qt::UniqueConnection);
    else
        disconnect(this, SIGNAL(finished()), this, SLOT(deleteLater()));
}

void MediaEditor::setOutputFolder(const QString &folder)
{
    m_outputFolder = folder;
}

void MediaEditor::setSources(Job *job, const QStringList &files)
{
    if (auto *mervoJob = qobject_cast<MervoJob *>(job)) {
        for (MervoTask *task : mervoJob->tasks())
            task->setSources(files);
    } else if (job->task()) {
        job->task()->setSources(files);
    }
}
