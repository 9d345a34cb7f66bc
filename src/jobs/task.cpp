#include "jobs/task.h"

#include <QFile>
#include <QFileInfo>

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

bool Task::removeOutputFile() const
{
    const QString path = taskDataValue(taskData, TaskDataSlot::OutputPath).toString();
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    return QFile::remove(path);
}
