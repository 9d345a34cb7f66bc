#include "jobs/processend.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <string.h>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("ProcessEnd", text);
}

// The file a program name stands for, as the system looks it up; empty when none.
QString programFile(const QString &program)
{
    if (program.contains(QLatin1Char('/')))
        return QFileInfo::exists(program) ? program : QString();
    return QStandardPaths::findExecutable(program);
}
} // namespace

QString ProcessEnd::startFailure(const QProcess *process, int timeout)
{
    const QString program = process->program();
    if (process->state() == QProcess::Starting)
        return tr("%1 did not start within %2 milliseconds").arg(program).arg(timeout);
    const QString file = programFile(program);
    if (file.isEmpty())
        return tr("%1 not found").arg(program);
    const QFileInfo info(file);
    if (info.isDir() || !info.isExecutable())
        return tr("%1 is not executable").arg(program);
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
