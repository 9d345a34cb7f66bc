#include "jobs/task.h"

#include "jobs/processend.h"

#include "jobs/uniquebasename.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

Task::Task() = default;

void Task::set(EncodingTaskData *data, const QString &program, const QStringList &arguments,
               const QString &workingDirectory, const QString &name, const QString &label)
{
    job = nullptr;
    process = nullptr;
    consoleDialog = nullptr;
    m_pid = 0;
    m_jobId.clear();
    m_jobTitle.clear();
    m_failure.clear();
    m_engineReason.clear();
    m_outputTail.clear();
    m_sources.clear();
    m_soundTrack = -1;
    m_outputNoted = false;
    m_outputAtStart = OutputStamp();

    taskData = data;
    m_program = program;
    m_arguments = arguments;
    m_workingDirectory = workingDirectory;
    m_name = name;
    m_label = label;
    // Queued silently: the views only start watching once a manager has the task.
    state = Waiting;
}

void Task::setState(int newState)
{
    state = static_cast<State>(newState);
    emit stateChanged();
}

void Task::kill()
{
    emit killProcess();
}

bool Task::isFinished() const
{
    switch (state) {
    case Waiting:
    case Starting:
    case Running:
        return false;
    default:
        return true;
    }
}

void Task::setJob(Job *owner, const QString &jobId, const QString &jobTitle)
{
    job = owner;
    m_jobId = jobId;
    m_jobTitle = jobTitle;
}

void Task::setPid(qint64 pid)
{
    m_pid = pid;
}

void Task::setProcess(Process *started)
{
    process = started;
}

qint64 Task::processId() const
{
    return m_pid;
}

QString Task::commandLine() const
{
    return m_program + QLatin1Char(' ') + m_arguments.join(QLatin1Char(' '));
}

QString Task::outputPath() const
{
    return taskDataValue(taskData, TaskDataSlot::OutputPath).toString();
}

bool Task::OutputStamp::operator==(const OutputStamp &other) const
{
    return exists == other.exists && inode == other.inode && size == other.size
        && changeNs == other.changeNs;
}

// The status change time moves with every write, truncation or replacement of the file
// (and the inode with a replacement), to the nanosecond.
Task::OutputStamp Task::stampOf(const QString &path)
{
    OutputStamp stamp;
    struct stat status;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0)
        return stamp;
    stamp.exists = true;
    stamp.inode = quint64(status.st_ino);
    stamp.size = qint64(status.st_size);
    stamp.changeNs = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    return stamp;
}

void Task::noteOutputAtStart()
{
    m_outputAtStart = stampOf(outputPath());
    m_outputNoted = true;
}

bool Task::wroteOutput() const
{
    const QString path = outputPath();
    if (path.isEmpty() || !m_outputNoted)
        return false;
    return QFileInfo(path).isFile() && !(stampOf(path) == m_outputAtStart);
}

bool Task::removeOutputFile() const
{
    return wroteOutput() && QFile::remove(outputPath());
}

QString Task::keepOutputAsIncomplete() const
{
    if (!wroteOutput())
        return QString();
    const QFileInfo output(outputPath());
    const QString folder = output.absolutePath();
    const QString suffix = output.suffix();
    const QString base = makeUniqueBaseName(folder, output.completeBaseName() + QStringLiteral(" (incomplete)"));
    const QString kept = folder + QLatin1Char('/') + base + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    return QFile::rename(output.filePath(), kept) ? kept : QString();
}

bool Task::hasOutput() const
{
    const QString path = outputPath();
    if (path.isEmpty())
        return true;
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    return !info.isFile() || info.size() > 0;
}

void Task::noteOutput(const QString &text)
{
    // The longest reason fits in this much of the text before it.
    constexpr qsizetype Tail = 64;
    const QString read = m_outputTail + text;
    const QString reason = ProcessEnd::systemReason(read);
    if (!reason.isEmpty())
        m_engineReason = reason;
    m_outputTail = read.right(Tail);
}
