#include "jobs/job.h"

#include "jobs/console.h"
#include "jobs/outputcheck.h"
#include "jobs/task.h"

#include <QDir>

namespace {
// What the end check could not judge, said after a task that ended well: it ended well as far
// as its engine tells, which is not enough (a whole second of a job of forty would pass). Why:
// no engine could tell, or the program closed during the check.
struct UncheckedNote
{
    int flag;
    const char *text;
    const char *stoppedText;
};
const UncheckedNote kUncheckedNotes[] = {
    {OutputCheck::LengthUnchecked,
     QT_TRANSLATE_NOOP("Job", "Job: %1 [%2]: its length was not checked, as no engine could measure its output."),
     QT_TRANSLATE_NOOP("Job", "Job: %1 [%2]: its length was not checked: the check was stopped as the program closed.")},
    {OutputCheck::SoundDecodeUnchecked,
     QT_TRANSLATE_NOOP("Job", "Job: %1 [%2]: its copied sound was not checked, as no engine finished decoding it."),
     QT_TRANSLATE_NOOP("Job", "Job: %1 [%2]: its copied sound was not checked: the check was stopped as the program "
                              "closed.")},
    {OutputCheck::StepUnchecked,
     QT_TRANSLATE_NOOP("Job", "Job: %1 [%2]: its sound's step with its picture was not checked, as no engine "
                              "could read where they start."),
     QT_TRANSLATE_NOOP("Job", "Job: %1 [%2]: its sound's step with its picture was not checked: the check was "
                              "stopped as the program closed.")},
};
} // namespace

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
    const TaskEnd end = judgeEnd(task, ok);
    task->setState(end.failure.isEmpty() ? Task::Terminated : Task::Aborted);
    reportTaskEnd(task, ok, end);
    emit finished();
}

Job::TaskEnd Job::judgeEnd(Task *task, bool exitedWell)
{
    TaskEnd end;
    if (exitedWell) {
        QString failure = task->hasOutput() ? OutputCheck::shortfall(*task, &end.unchecked) : tr("it wrote no output");
        // Why it fell short, where its engine said so ("No space left on device").
        if (!failure.isEmpty() && !task->engineReason().isEmpty())
            failure = tr("%1: %2").arg(failure, task->engineReason());
        task->setFailure(failure);
    } else if (task->failure().isEmpty()) {
        task->setFailure(tr("it did not end well"));
    }
    end.failure = task->failure();
    return end;
}

void Job::reportTaskEnd(Task *task, bool exitedWell, const TaskEnd &end)
{
    const QString &failure = end.failure;
    if (failure.isEmpty()) {
        log(tr("Job: %1 terminated [%2].").arg(task->name(), m_id), LogLevel::Normal);
        const bool stopped = end.unchecked & OutputCheck::CheckStopped;
        for (const UncheckedNote &note : kUncheckedNotes)
            if (end.unchecked & note.flag)
                log(tr(stopped ? note.stoppedText : note.text).arg(task->name(), m_id), LogLevel::Quiet);
        return;
    }
    log(tr("Job: %1 aborted [%2].").arg(task->name(), m_id), LogLevel::Verbose);
    log(tr("Job: %1 failed [%2]: %3.").arg(task->name(), m_id, failure), LogLevel::Quiet);
    // What a failed engine wrote is no result. What an engine left after it ended well (an
    // empty or short file) stays, as a measure can be wrong and a removed file cannot come
    // back, but not under the output's name, where the next user or program would take it
    // for the result.
    if (!task->wroteOutput())
        return;
    if (exitedWell) {
        const QString kept = task->keepOutputAsIncomplete();
        if (!kept.isEmpty()) {
            log(tr("Job: %1 output kept as incomplete file %2 [%3].").arg(task->name(), kept, m_id),
                LogLevel::Quiet);
            return;
        }
    }
    // A file that cannot take the incomplete name (its folder turned read-only, a name with
    // no room for the suffix) goes as a failed engine's does; one that cannot go either is
    // named, so that nobody takes it for the result unwarned.
    if (!task->removeOutputFile())
        log(tr("Job: %1 output could not be removed, %2 stays [%3].")
                .arg(task->name(), QDir::toNativeSeparators(task->outputPath()), m_id),
            LogLevel::Quiet);
    else if (exitedWell)
        log(tr("Job: %1 output could not be renamed as incomplete, removed [%2].").arg(task->name(), m_id),
            LogLevel::Quiet);
    else
        log(tr("Job: %1 output removed [%2].").arg(task->name(), m_id), LogLevel::Normal);
}

QString Job::failure() const
{
    return m_task ? m_task->failure() : QString();
}

void Job::log(const QString &text, int level)
{
    Console::writeLine(m_log, m_logLevel, level, "Job Log:", text);
}
