#pragma once

#include <QProcess>
#include <QString>

// What happened to a child process, in words a user can act on: it was not found, could not
// be executed, did not start in time, exited with a code or was killed by a signal. Shared by
// the job managers and the engines' synchronous runs.
class ProcessEnd
{
public:
    // Why a process did not start; `timeout` is the start time-out it was given (ms). Read
    // before the process is killed or deleted.
    static QString startFailure(const QProcess *process, int timeout);
    // How a process that ran ended; empty for an exit with code 0.
    static QString exitText(QProcess::ExitStatus status, int exitCode);
    // "killed by signal 11 (Segmentation fault)".
    static QString signalText(int signal);
    // Whether a signal is one that stops a process from outside (a user's "kill", a logout,
    // Ctrl+C in its terminal) rather than one of its own faults.
    static bool isStopSignal(int signal);
    // The warning for an engine that ended by a signal (a crash's exit code is its number):
    // "Warning: FFprobe process crashed.", or for a stop signal that it was stopped from
    // outside, and by which signal.
    static QString crashWarning(const QString &name, int signal);
    // The system's reason an engine printed for stopping that a user can mend outside the
    // program ("No space left on device"), the last one in the text; empty without one.
    static QString systemReason(const QString &text);
};
