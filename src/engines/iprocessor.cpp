#include "engines/iprocessor.h"
#include "engines/engineslogging.h"

#include "engines/engineobjects.h"
#include "engines/syncrunner.h"
#include "jobs/console.h"
#include "jobs/processend.h"

#include <QDebug>
#include <QRegularExpression>
#include <QScopedValueRollback>

#include <utility>

IProcessor::IProcessor()
    : QObject(nullptr)
    , m_console(EngineObjects::console())
    , m_outputLimit(SyncRunner::OutputLimit)
{
}

IProcessor::~IProcessor() = default;

QString IProcessor::signature() const
{
    return m_signature;
}

QString IProcessor::name() const
{
    return m_name;
}

QString IProcessor::binary() const
{
    return m_executablePath;
}

int IProcessor::state() const
{
    return m_state;
}

QString IProcessor::version() const
{
    return m_version;
}

bool IProcessor::startFrame(const QString &executablePath, const QString &libraryPath)
{
    if (executablePath.isEmpty())
        return m_state == Ready;
    // A path that was tried already is not tried again: retrying needs another path.
    if (executablePath == m_executablePath && m_state != NotStarted)
        return m_state == Ready;

    m_state = NotStarted;
    // The path goes to the engine unchanged, so any file name the system allows works.
    m_executablePath = executablePath;
    m_libraryPath = libraryPath;
    clearFindings();

    m_console->log(LogLevel::Verbose, tr("%1: start interface.").arg(m_name));
    qCDebug(lcEngines).noquote() << QStringLiteral("%1: start interface").arg(m_name)
                       << '"' + m_executablePath + '"';

    QString failureText;
    QString error;
    m_queriesLate = false;
    const QScopedValueRollback<QDeadlineTimer> deadline(
        m_startDeadline, SyncRunner::Timeouts::startDeadline(m_startTimeout, m_finishTimeout, m_killTimeout));
    QueryOutcome outcome = queryEngine(failureText, error);
    // An engine whose queries went unanswered in time (a busy machine, a cold disk) is asked
    // once more with longer time-outs before it is called broken, while its start has time.
    if (outcome != QueryOutcome::Ready && m_queriesLate && !m_startDeadline.hasExpired()) {
        m_console->logNormal(tr("%1: no answer in time; the engine is asked again with longer time-outs.").arg(m_name));
        clearFindings();
        m_askingAgain = true;
        m_queriesLate = false;
        outcome = queryEngine(failureText, error);
        m_askingAgain = false;
    }
    switch (outcome) {
    case QueryOutcome::Ready:
        m_console->log(LogLevel::Verbose, tr("%1: interface ready.").arg(m_name));
        qCDebug(lcEngines).noquote() << QStringLiteral("%1: interface ready").arg(m_name)
                           << '"' + m_executablePath + '"';
        m_state = Ready;
        return true;
    case QueryOutcome::RunFailed:
        m_console->logNormal(failureText);
        qCDebug(lcEngines).noquote() << QStringLiteral("%1: failed to start interface").arg(m_name) << error
                           << '"' + m_executablePath + '"';
        break;
    case QueryOutcome::Refused:
        break;
    }
    m_state = Failed;
    return false;
}

bool IProcessor::startAgain()
{
    if (m_state == Ready)
        return true;
    if (m_executablePath.isEmpty())
        return false;
    m_state = NotStarted;
    const QString path = m_executablePath;
    const QString libraryPath = m_libraryPath;
    return startInterface(path, libraryPath);
}

namespace {
const bool *s_runStop = nullptr;
} // namespace

IProcessor::RunStop::RunStop(const bool *flag)
    : m_outer(std::exchange(s_runStop, flag))
{
}

IProcessor::RunStop::~RunStop()
{
    s_runStop = m_outer;
}

bool IProcessor::runEngine(const char *classWord, const QStringList &arguments, QString &stdOut,
                           QString &stdErr, QString &error)
{
    error.clear();
    stdOut.clear();
    stdErr.clear();
    if (s_runStop && *s_runStop) {
        error = tr("process not started: its run was stopped");
        return false;
    }
    // An engine that works goes on past its finish time-out (a busy machine, a cold disk).
    SyncRunner::Timeouts timeouts = SyncRunner::Timeouts::patient(m_startTimeout, m_finishTimeout, m_killTimeout);
    if (m_askingAgain)
        timeouts = timeouts.again();
    timeouts.deadline = m_startDeadline;
    timeouts.stop = s_runStop;
    const SyncRunner::Result result =
        m_queryRunning ? SyncRunner::runQuery(m_executablePath, arguments, m_libraryPath, timeouts, classWord)
                       : SyncRunner::run(m_executablePath, arguments, m_libraryPath, timeouts, classWord,
                                         m_outputLimit);
    m_lastRunEnd.clear();
    m_lastRunTimedOut = false;
    m_lastRunCutShort = result.outOfTime() || result.crashedByItself();
    m_queriesLate = m_queriesLate || result.outOfTime();
    if (!result.started) {
        error = tr("process failed to start: %1").arg(result.startFailure);
        return false;
    }
    if (result.droppedBytes > 0)
        m_console->log(LogLevel::Quiet, SyncRunner::cutNotice(m_name, result));
    stdOut = result.stdOut;
    stdErr = result.stdErr;
    const bool silent = stdOut.isEmpty() && stdErr.isEmpty();
    m_lastRunTimedOut = result.killed;
    if (result.killed) {
        // What it printed before its time ran out is still read.
        m_lastRunEnd = result.pastDeadline
                           ? tr("process timed out: an engine's start may take %1 milliseconds")
                                 .arg(SyncRunner::Timeouts::startBudget(m_startTimeout, m_finishTimeout, m_killTimeout))
                           : tr("process timed out after %1 milliseconds").arg(result.stalled ? timeouts.stall : timeouts.finish);
        qCDebug(lcEngines).noquote() << QStringLiteral("%1: %2.").arg(QLatin1String(classWord), m_lastRunEnd);
    } else {
        m_lastRunEnd = ProcessEnd::exitText(result.crashed ? QProcess::CrashExit : QProcess::NormalExit,
                                            result.exitCode);
        if (!m_lastRunEnd.isEmpty())
            m_lastRunEnd = tr("process %1").arg(m_lastRunEnd);
        if (result.crashed)
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: %2.").arg(QLatin1String(classWord), m_lastRunEnd);
    }
    if ((result.killed || result.crashed) && silent) {
        error = tr("%1 with no output").arg(m_lastRunEnd);
        return false;
    }
    return true;
}

void IProcessor::prefetchRun(const QStringList &arguments, const QString &holdOption) const
{
    if (m_state != Ready || !m_libraryPath.isEmpty())
        return;
    if (holdOption.isEmpty())
        SyncRunner::prefetchRun(m_executablePath, arguments);
    else
        SyncRunner::prefetchHeldRun(m_executablePath, arguments, holdOption);
}

void IProcessor::dropRun(const QStringList &arguments) const
{
    SyncRunner::dropPrefetchedRun(m_executablePath, arguments);
}

void IProcessor::releaseRun(const QStringList &arguments, qint64 outputLimit) const
{
    SyncRunner::releaseHeldRun(m_executablePath, arguments, outputLimit);
}

bool IProcessor::runQuery(const QStringList &arguments, const QString &failureFormat,
                          QString &stdOut, QString &failureText, QString &error)
{
    QString stdErr;
    m_queryRunning = true;
    const bool ran = runProcess(arguments, stdOut, stdErr, error);
    m_queryRunning = false;
    if (!ran) {
        failureText = failureFormat.arg(error);
        return false;
    }
    echoOutput(stdOut, stdErr);
    // An engine answers its queries and exits with code 0: a program that exits with another
    // code or dies by a signal is not the engine it was taken for. (One that outlived its time
    // is judged by what it printed.)
    if (!m_lastRunEnd.isEmpty() && !m_lastRunTimedOut) {
        error = m_lastRunEnd;
        failureText = failureFormat.arg(error);
        return false;
    }
    // Nor is one that answers nothing at all: every query the engines are asked prints their
    // banner or a list.
    if (stdOut.trimmed().isEmpty() && stdErr.trimmed().isEmpty()) {
        error = tr("process printed nothing");
        failureText = failureFormat.arg(error);
        return false;
    }
    return true;
}

void IProcessor::echoOutput(const QString &stdOut, const QString &stdErr)
{
    if (!stdOut.isEmpty())
        m_console->stdOutNormal(stdOut);
    if (!stdErr.isEmpty())
        m_console->stdErrNormal(stdErr);
}

bool IProcessor::parseSignatureWith(const QRegularExpression &banner, const QString &text)
{
    const QRegularExpressionMatch match = banner.match(text);
    if (match.hasMatch() && !match.captured(1).isEmpty() && !match.captured(2).isEmpty()) {
        m_signature = match.captured(1);
        m_version = match.captured(2);
        return true;
    }
    m_console->log(LogLevel::Verbose, tr("%1: failed to parse signature.").arg(m_name));
    qCDebug(lcEngines).noquote() << QStringLiteral("%1: failed to parse signature").arg(m_name)
                       << '"' + m_executablePath + '"';
    return false;
}

IProcessor::QueryOutcome IProcessor::refuseWithoutBanner()
{
    m_console->logNormal(tr("%1: the program's answer has no %1 banner; it is not taken for %1.").arg(m_name));
    qCDebug(lcEngines).noquote() << QStringLiteral("%1: no banner in the answer").arg(m_name)
                                 << '"' + m_executablePath + '"';
    return QueryOutcome::Refused;
}
