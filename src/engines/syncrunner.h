#pragma once

#include <QString>
#include <QStringList>

class QProcess;

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
    // the runs nobody asked for (prefetched queries and runs alike).
    static void prefetchQuery(const QString &program, const QStringList &arguments);
    static void dropPrefetched();

    // Starts any run now without waiting (a media analysis, say), so that it goes side by
    // side with others; the next run() of the same command takes it over, its time-outs
    // counted from then. Never kept beyond that: the LoadScope it was started in ends it if
    // nobody took it; outside any, the caller drops it (or dropPrefetched() at start-up).
    static void prefetchRun(const QString &program, const QStringList &arguments);
    static void dropPrefetchedRun(const QString &program, const QStringList &arguments);
    // Hands a prefetched run of this command over to a caller that reads it itself (null
    // when there is none); the caller then owns the process.
    static QProcess *takePrefetchedRun(const QString &program, const QStringList &arguments);

    // The scope of a load that the window must not freeze for: while one exists, the runs
    // wait for their engines by handling the thread's events (the waits stay bounded by the
    // same time-outs); when it ends, the runs prefetched in it that nobody took end.
    class LoadScope
    {
    public:
        LoadScope();
        ~LoadScope();
        LoadScope(const LoadScope &) = delete;
        LoadScope &operator=(const LoadScope &) = delete;
        // Whether a scope is open: what it runs in must not be deleted meanwhile (a window
        // closing waits for it).
        static bool active();

    private:
        int m_serial;
        int m_outer;
    };

    // Decodes engine output as UTF-8 one line at a time (lines end with "\n", "\r\n" or
    // "\r"), keeping every line end as it was; a bad byte spoils only its own line.
    static QString decodeLines(const QByteArray &bytes);
};
