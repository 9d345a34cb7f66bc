#include "encoding/jobfiles.h"

#include "jobs/job.h"
#include "jobs/mervojob.h"
#include "jobs/mervotask.h"
#include "jobs/uniquebasename.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

bool taskEndedWell(const Task *task)
{
    return task && (task->state == Task::Terminated || task->state == Task::Completed);
}

} // namespace

void JobFiles::reserveOutput(Job *job, const QString &output)
{
    const QFileInfo info(output);
    const QString folder = info.absolutePath();
    const QString baseName = info.completeBaseName();
    reserveOutputName(folder, baseName);
    QObject::connect(job, &Job::finished, job,
                     [folder, baseName] { releaseOutputName(folder, baseName); },
                     Qt::SingleShotConnection);
}

void JobFiles::removeAtEnd(Job *job, const QString &path, Removal when)
{
    QObject::connect(job, &Job::finished, job, [job, path, when] {
        if (when == Removal::AfterSuccess && !endedWell(job))
            return;
        if (QFileInfo(path).isFile())
            QFile::remove(path);
    }, Qt::SingleShotConnection);
}

QString JobFiles::folderRefusal(const QString &folder)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QCoreApplication::translate("JobFiles", "The target folder %1 cannot be created.")
            .arg(folder);
    QTemporaryFile probe(folder + QStringLiteral("/.vexo-XXXXXX"));
    if (!probe.open())
        return QCoreApplication::translate("JobFiles", "The target folder %1 cannot be written: %2")
            .arg(folder, probe.errorString());
    return QString();
}

bool JobFiles::endedWell(const Job *job)
{
    if (const auto *mervoJob = qobject_cast<const MervoJob *>(job)) {
        const QList<MervoTask *> tasks = mervoJob->tasks();
        return !tasks.isEmpty() && std::all_of(tasks.cbegin(), tasks.cend(), taskEndedWell);
    }
    return job && taskEndedWell(job->task());
}
