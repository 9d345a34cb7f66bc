#include "jobs/programstart.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalBlocker>
#include <QStandardPaths>

namespace {
// The file the program stands for, as QProcess looks it up; empty when none.
QString programFile(const QString &program, const QString &workingDirectory)
{
    // A name without '/' is looked up by QProcess (Qt 6.4, Unix) itself, in this program's
    // PATH, whatever environment the process is given; a name it does not find is not run.
    if (!program.contains(QLatin1Char('/')))
        return QStandardPaths::findExecutable(program);
    // A path is run as it stands, from the working directory the process enters first.
    const QString file = QDir(workingDirectory).filePath(program);
    return QFileInfo::exists(file) ? file : QString();
}
} // namespace

void ProgramStart::start(QProcess *process, const QString &program, const QStringList &arguments,
                         QIODevice::OpenMode mode)
{
    if (refusal(program, process->workingDirectory()) == Refusal::None) {
        process->start(program, arguments, mode);
        return;
    }
    // Without a program QProcess fails the start at once, without a fork (and so without the
    // pipe it would leak). Its signal is held back until the program is set again, so that a
    // receiver reads the program that was asked for.
    {
        const QSignalBlocker blocker(process);
        process->setArguments(arguments);
        process->setProgram(QString());
        process->start(mode);
        process->setProgram(program);
    }
    emit process->errorOccurred(QProcess::FailedToStart);
}

ProgramStart::Refusal ProgramStart::refusal(const QString &program, const QString &workingDirectory)
{
    const QString file = programFile(program, workingDirectory);
    if (file.isEmpty())
        return Refusal::NotFound;
    const QFileInfo info(file);
    return info.isDir() || !info.isExecutable() ? Refusal::NotExecutable : Refusal::None;
}
