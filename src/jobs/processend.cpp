#include "jobs/processend.h"
#include "jobs/programstart.h"

#include <QCoreApplication>

#include <signal.h>
#include <string.h>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("ProcessEnd", text);
}
} // namespace

QString ProcessEnd::startFailure(const QProcess *process, int timeout)
{
    const QString program = process->program();
    if (process->state() == QProcess::Starting)
        return tr("%1 did not start within %2 milliseconds").arg(program).arg(timeout);
    switch (ProgramStart::refusal(program, process->workingDirectory())) {
    case ProgramStart::Refusal::NotFound:
        return tr("%1 not found").arg(program);
    case ProgramStart::Refusal::NotExecutable:
        return tr("%1 is not executable").arg(program);
    case ProgramStart::Refusal::None:
        break;
    }
    // Anything else the system refused (too many open files, no memory, a bad binary).
    return tr("%1 could not be started: %2").arg(program, process->errorString());
}

QString ProcessEnd::exitText(QProcess::ExitStatus status, int exitCode)
{
    // On a crash QProcess gives the signal's number as the exit code.
    if (status == QProcess::CrashExit)
        return signalText(exitCode);
    return exitCode == 0 ? QString() : tr("exited with code %1").arg(exitCode);
}

QString ProcessEnd::signalText(int signal)
{
    const char *name = signal > 0 ? ::strsignal(signal) : nullptr;
    if (!name)
        return tr("killed by a signal");
    return tr("killed by signal %1 (%2)").arg(signal).arg(QString::fromLocal8Bit(name));
}

bool ProcessEnd::isStopSignal(int signal)
{
    return signal == SIGTERM || signal == SIGKILL || signal == SIGINT || signal == SIGHUP || signal == SIGQUIT;
}

QString ProcessEnd::crashWarning(const QString &name, int signal)
{
    return isStopSignal(signal) ? tr("Warning: %1 process was stopped from outside (%2).").arg(name, signalText(signal))
                                : tr("Warning: %1 process crashed.").arg(name);
}

QString ProcessEnd::systemReason(const QString &text)
{
    // The C library's words, as every engine prints them after the file or call that failed
    // ("av_interleaved_write_frame(): No space left on device"): the engine's own message
    // around them only says that a write failed.
    static const char *const reasons[] = {"No space left on device", "Disk quota exceeded"};
    qsizetype last = -1;
    QString reason;
    for (const char *words : reasons) {
        const qsizetype at = text.lastIndexOf(QLatin1String(words));
        if (at > last) {
            last = at;
            reason = QLatin1String(words);
        }
    }
    return reason;
}
