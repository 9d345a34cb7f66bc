#pragma once

#include <QString>
#include <QStringList>

// Runs one engine command to its end while the caller waits: the engine must start within
// the start time-out, is killed when it has not ended within the finish time-out (and then
// awaited up to the kill time-out), and whatever it printed is returned, also after a kill.
// Engine queries are short, so blocking the GUI thread for them is accepted, but never for
// longer than the three time-outs: an engine that outlives its kill is left to end alone.
class SyncRunner
{
public:
    struct Timeouts
    {
        int start = 3000;
        int finish = 3000;
        int kill = 5000;
    };

    struct Result
    {
        bool started = false;
        bool killed = false;       // did not end within the finish time-out
        bool stillRunning = false; // did not even end after the kill
        bool crashed = false;      // ended by a signal (a kill counts as one)
        int exitCode = -1;         // the signal's number after a crash
        QString startFailure;      // why it did not start (not found, not executable, ...)
        QString stdOut;
        QString stdErr;
    };

    // classWord starts the debug lines ("Transcoder", "Analyzer", ...). A non-empty
    // libraryPath runs the engine with LD_LIBRARY_PATH set to it on top of the system
    // environment; an empty one leaves the inherited environment alone.
    static Result run(const QString &program, const QStringList &arguments,
                      const QString &libraryPath, const Timeouts &timeouts,
                      const char *classWord);

    // The same run for an engine's status or capability query, whose answer depends only on
    // the executable: the window, the encoder and the player each ask the same engines at
    // start-up, so a complete answer is kept and handed out again while the executable file
    // is unchanged (same path, size and modification time). Never for runs that read or
    // write media files.
    static Result runQuery(const QString &program, const QStringList &arguments,
                           const QString &libraryPath, const Timeouts &timeouts,
                           const char *classWord);
    // Starts a query now without waiting, so that the engines answer side by side; the
    // runQuery() that asks the same later takes this run's answer. dropPrefetched() ends
    // the runs nobody asked for.
    static void prefetchQuery(const QString &program, const QStringList &arguments);
    static void dropPrefetched();

    // Decodes engine output as UTF-8 one line at a time (lines end with "\n", "\r\n" or
    // "\r"), keeping every line end as it was; a bad byte spoils only its own line.
    static QString decodeLines(const QByteArray &bytes);
};
