#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

class QProcess;

// Starts an engine's process. A program that surely cannot be run (it is not there, is a
// folder or may not be executed) is refused before any fork: Qt 6.4's QProcess keeps one
// descriptor open for every start whose exec fails, so a wrong engine path would cost one
// per job and per status query until nothing can be opened any more. A refused start ends
// as a failed one does: not running, FailedToStart, errorOccurred emitted, program() and
// arguments() the ones asked for.
class ProgramStart
{
public:
    enum class Refusal { None, NotFound, NotExecutable };

    static void start(QProcess *process, const QString &program, const QStringList &arguments,
                      QIODevice::OpenMode mode);
    // Why a start of the program in that working directory surely fails; None when the
    // system may run it (it may still refuse).
    static Refusal refusal(const QString &program, const QString &workingDirectory);
};
