#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

// Runs one engine command to its end while the caller waits: the engine must start within
// the start time-out, is killed when it has not ended within the finish time-out (and then
// awaited up to the kill time-out), and whatever it printed is returned, also after a kill.
// Engine queries are short, so blocking the GUI thread for them is accepted, but never for
// longer than the three time-outs: an engine that outlives its kill is left to end alone.
// Nor does a run take memory without bound: what an engine prints past OutputLimit is
// counted, not kept, and the engine is stopped.
//
// A busy machine, a cold disk or a network share can make an engine take many times its usual
// time while it works all along. A run that must not take such an engine for a broken one (a
// start query, the analysis of a file, a trial, a meter) is judged by its progress rather than
// by the clock: with a stall time-out, it goes on past it for as long as the engine makes
// progress, and the finish time-out only caps it. Progress is what the engine prints (or, with
// a judge, the lines that move it on) and, where asked for, what it does (Work): its processor
// time or the bytes it reads moving, the files it writes growing. Timeouts::patient() gives
// such limits from the user's latencies; a run stopped for time all the same is asked again
// with Timeouts::again() before its engine is called broken or its file invalid
// (Result::outOfTime()).
class SyncRunner
{
public:
    // What shows that an engine works while it prints nothing new (see WorkWatch for what
    // counts: more than an idle loop that repeats a line and sleeps).
    struct Work
    {
        // Its processor time or the bytes it reads moving (its threads' and the children's
        // it has waited for included), for WorkAloneFactor stall time-outs after its last
        // output at most.
        bool process = false;
        // Files whose size moving shows it (a trial's output).
        QStringList files;
    };

    struct Timeouts
    {
        int start = 3000;
        int finish = 3000;
        int kill = 5000;
        // When above 0: an engine that makes no progress for this long is stuck, and is killed
        // before its finish time-out. Progress is any byte it prints on either channel, unless
        // `progressed` judges its lines; and what `work` watches.
        int stall = 0;
        // With a stall time-out: whether a whole line the engine printed (on either channel,
        // without its line end) moves it on. Given, only such lines hold the stall time-out
        // off: an engine that repeats the same status line is as stuck as a silent one.
        std::function<bool(const QString &line)> progressed;
        // Given: set while the engine runs, it asks the run to stop (the user cancelled), and
        // the engine is stopped as at the finish time-out, within a tenth of a second, when
        // the wait handles events (LoadScope).
        const bool *stop = nullptr;
        // With a stall time-out: what else holds it off. The stall is then counted from when
        // the run is waited for (a prefetched run's, from its take-over).
        Work work;
        // When set: the latest the engine is waited for, to start and to end; it is stopped
        // then as at its finish time-out (its kill waited for as always). Set to
        // startDeadline() for all the runs of an engine's start, asked again included.
        QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever);
        // When above 0: the most bytes the engine may read (of files and pipes: Linux's rchar).
        // One that reads more is stopped (Result::overRead): a sample of a file that would
        // read on to its end where it should read a few stretches.
        qint64 readLimit = 0;

        // The limits of a run that may outlive its finish latency while it works: it is stopped
        // once it has made no progress (printed, worked) for `finish`, and at the latest after
        // PatienceFactor times `finish`. An engine that is stuck goes as soon as before.
        static Timeouts patient(int start, int finish, int kill);
        // The same limits AgainFactor times longer (start, finish and stall): for asking again
        // an engine whose run was stopped for time.
        Timeouts again() const;
        // The deadline of an engine's start, the queries that find out whether it works and
        // what it can do: AgainFactor times its three latencies from now, less the last kill,
        // so that however often it is asked and however long it works, a start blocks the
        // window no longer (33 s at the default latencies).
        static QDeadlineTimer startDeadline(int start, int finish, int kill);
        // How long such a start may take at most, in milliseconds.
        static qint64 startBudget(int start, int finish, int kill);
    };
    static constexpr int PatienceFactor = 20;
    static constexpr int AgainFactor = 3;
    // How many stall time-outs work alone (processor time, reads: Work::process) holds the
    // stall off after the engine's last output: an engine that computes before it answers
    // (an analysis, a query on a busy machine) gets that long, one that spins without end is
    // stopped then, not at the finish time-out minutes later.
    static constexpr int WorkAloneFactor = 3;

    struct Result
    {
        bool started = false;
        bool killed = false;       // did not end within the finish time-out
        bool stalled = false;      // killed for no progress within the stall time-out
        bool stopped = false;      // killed because the stop flag was set
        bool pastDeadline = false; // killed because the run's deadline had passed
        bool overRead = false;     // killed for reading more than its read limit
        bool stillRunning = false; // did not even end after the kill
        bool crashed = false;      // ended by a signal (a kill counts as one)
        int exitCode = -1;         // the signal's number after a crash
        QString startFailure;      // why it did not start (not found, not executable, ...)
        bool startTimedOut = false; // it did not start because its start time-out ran out
        QString stdOut;
        QString stdErr;
        // Bytes printed past OutputLimit on either channel, not kept; the engine was stopped
        // (killed, so `crashed` is set) and the channel's text ends with a note saying so.
        qint64 droppedBytes = 0;

        // Whether the run was cut short by its limits of time: it did not start within its
        // start time-out, or it was killed at its finish or stall time-out (not stopped by the
        // user, nor for its output). Its answer is missing or cut; longer limits may get it.
        bool outOfTime() const { return startTimedOut || (killed && !stopped); }
        // Whether it ended by a signal of its own making: not killed by the run, at a
        // time-out, a stop or for its output.
        bool crashedByItself() const { return crashed && !killed && !overRead && droppedBytes == 0; }
    };

    // What a run keeps of each output channel. The largest answer a parser reads (FFmpeg's
    // codec list, MPlayer's report on a DVD, FFprobe's on a file of many streams) is some
    // tens of kilobytes; an engine that prints megabytes more is broken or stuck in a loop.
    static constexpr qint64 OutputLimit = 4 * 1024 * 1024;
    // What a run that lists a file's packets keeps: that answer grows with the file (some
    // tens of megabytes for a DVD's hour), so only an engine gone mad passes this.
    static constexpr qint64 ListingLimit = 256 * 1024 * 1024;

    // classWord starts the debug lines ("Transcoder", "Analyzer", ...). A non-empty
    // libraryPath runs the engine with LD_LIBRARY_PATH set to it on top of the system
    // environment; an empty one leaves the inherited environment alone.
    static Result run(const QString &program, const QStringList &arguments,
                      const QString &libraryPath, const Timeouts &timeouts,
                      const char *classWord, qint64 outputLimit = OutputLimit);

    // The same run for an engine's status or capability query, whose answer depends only on
    // the executable: the window, the encoder and the player each ask the same engines at
    // start-up, so a complete answer is kept and handed out again while the executable file
    // is unchanged (same path, size and modification time). Never for runs that read or
    // write media files. A query given up at its start's deadline is not run again until
    // dropPrefetched() says that start-up is over: the answer is the same late one.
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
    // What a prefetched run may be given besides its command.
    struct Prefetch
    {
        // The most bytes it may read (Timeouts::readLimit), watched from its start while the
        // thread handles events.
        qint64 readLimit = 0;
        // Called with its standard output once it has ended by itself, not taken over yet
        // (while the thread handles events): what needs its answer can start at once.
        std::function<void(const QString &stdOut)> ended;
    };
    static void prefetchRun(const QString &program, const QStringList &arguments, const Prefetch &prefetch);
    // Whether a run of this command was prefetched and is not taken over yet.
    static bool isPrefetched(const QString &program, const QStringList &arguments);
    // The same for a run whose engine is to wait, loaded, before it reads anything: it is
    // told to write its answer (outputOption and a named pipe, put before the arguments) to
    // a pipe that opens only when run() takes it over. For an analysis of a file that is still
    // being written: the engine's start overlaps the writing. An engine that never opens the
    // pipe is run again the plain way. Taken over by run() only.
    static void prefetchHeldRun(const QString &program, const QStringList &arguments,
                                const QString &outputOption);
    // Lets a held run go on before run() takes it over, its input being complete: its engine
    // reads now, and run() only waits for it to end. Nothing when there is no such run.
    static void releaseHeldRun(const QString &program, const QStringList &arguments,
                               qint64 outputLimit);
    static void dropPrefetchedRun(const QString &program, const QStringList &arguments);
    // Hands a prefetched run of this command over to a caller that reads it itself (a null
    // process when there is none), with what it printed before; the caller then owns the
    // process.
    struct TakenRun
    {
        QProcess *process = nullptr;
        QByteArray stdOut;
        QByteArray stdErr;
    };
    static TakenRun takePrefetchedRun(const QString &program, const QStringList &arguments);

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
        // The engines started while a scope was open that still run (prefetched, or waited for).
        static QList<qint64> runningProcessIds();

    private:
        int m_serial;
        int m_outer;
    };

    // The log line that tells of a run stopped for printing past its limit, for the engine
    // of that name.
    static QString cutNotice(const QString &engineName, const Result &result);

    // Decodes engine output as UTF-8 one line at a time (lines end with "\n", "\r\n" or
    // "\r"), keeping every line end as it was; a bad byte spoils only its own line.
    static QString decodeLines(const QByteArray &bytes);
};
