#include "jobs/job.h"

#include "jobs/console.h"
#include "jobs/task.h"

Job::Job() = default;

void Job::init(Task *task, const QString &id, const QString &title, const QString &output,
               QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
               int logLevel, int startTimeout, int finishTimeout, int killTimeout)
{
    m_task = task;
    initCommon(id, title, output, stdIn, stdOut, stdErr, log, logLevel, startTimeout,
               finishTimeout, killTimeout);
    if (m_task)
        m_task->setJob(this, m_id, m_title);
}

void Job::initCommon(const QString &id, const QString &title, const QString &output,
                     QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
                     int logLevel, int startTimeout, int finishTimeout, int killTimeout)
{
    m_id = id;
    m_title = title;
    m_output = output;
    m_stdIn = stdIn;
    m_stdOut = stdOut;
    m_stdErr = stdErr;
    m_log = log;
    m_logLevel = logLevel;
    m_startTimeout = startTimeout == 0 ? 3000 : startTimeout;
    m_finishTimeout = finishTimeout == 0 ? 3000 : finishTimeout;
    m_killTimeout = killTimeout == 0 ? 5000 : killTimeout;
}

Task *Job::readyTask() const
{
    if (m_task && m_task->state == Task::Waiting)
        return m_task;
    return nullptr;
}

bool Job::isFinished() const
{
    return !m_task || m_task->isFinished();
}

void Job::taskFinished(Task *task, bool ok)
{
    const bool complete = endedWell(task, ok);
    task->setState(complete ? Task::Terminated : Task::Aborted);
    reportTaskEnd(task, ok, complete);
    emit finished();
}

bool Job::endedWell(const Task *task, bool exitedWell)
{
    return exitedWell && task->hasOutput();
}

void Job::reportTaskEnd(Task *task, bool exitedWell, bool complete)
{
    if (complete) {
        log(tr("Job: %1 terminated [%2].").arg(task->name(), m_id), LogLevel::Normal);
        return;
    }
    log(tr("Job: %1 aborted [%2].").arg(task->name(), m_id), LogLevel::Verbose);
    // An engine that ended well without writing its file is no success; what it left
    // (an empty file) is its own result and stays, as after every exit code 0.
    if (exitedWell)
        log(tr("Job: %1 wrote no output [%2].").arg(task->name(), m_id), LogLevel::Quiet);
    else
        task->removeOutputFile();
}

void Job::log(const QString &text, int level)
{
    Console::writeLine(m_log, m_logLevel, level, "Job Log:", text);
}
