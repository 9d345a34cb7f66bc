#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QStringList>

class Console;
class QRegularExpression;

// A long-lived handle on one command-line engine. Starting it runs the engine once,
// synchronously, to check that it works and to learn its signature, version and (for the
// encoders) its codec and container names; the outcome is remembered, so asking again with
// an empty path (or the same path) runs nothing.
class IProcessor : public QObject
{
    Q_OBJECT

public:
    enum State { NotStarted = 0, Ready = 1, Failed = 2 };

    IProcessor();
    ~IProcessor() override;

    virtual QString signature() const;
    virtual QString name() const;
    virtual QString binary() const;
    // An empty executable path only asks whether the engine is ready.
    virtual bool startInterface(const QString &executablePath, const QString &libraryPath) = 0;
    virtual int state() const;
    virtual QString version() const;
    // Runs the start queries again at the path last given when the engine is not ready: a
    // query that outlived its time on a busy or cold machine would otherwise leave it failed
    // for the whole session. True when it is ready; false, running nothing, when no path was
    // ever given.
    bool startAgain();

    // Runs the engine with the arguments to its end (Transcoder::runProcess and
    // Analyzer::runProcess give the contract).
    virtual bool runProcess(const QStringList &arguments, QString &stdOut, QString &stdErr,
                            QString &error) = 0;

    // While one lives, the runs of every engine also stop once the flag is set (the runs of
    // a check that the program's close stops), as at their finish time-out; none starts
    // while it is set.
    class RunStop
    {
    public:
        explicit RunStop(const bool *flag);
        ~RunStop();
        RunStop(const RunStop &) = delete;
        RunStop &operator=(const RunStop &) = delete;

    private:
        const bool *m_outer;
    };

    QString libraryPath() const { return m_libraryPath; }
    // The last run was cut short by what may pass: stopped at its time-outs (a busy machine,
    // a cold disk), or ended by a signal from outside. Asked again, it may answer.
    bool lastRunCutShort() const { return m_lastRunCutShort; }
    int startTimeout() const { return m_startTimeout; }
    int finishTimeout() const { return m_finishTimeout; }
    int killTimeout() const { return m_killTimeout; }

protected:
    enum class QueryOutcome {
        Ready,     // every query ran
        RunFailed, // a run failed: failureText goes to the console, error to the debug line
        Refused    // the answer was unusable; the query has logged why
    };

    // The start sequence the concrete processors share; queryEngine() is their own part.
    bool startFrame(const QString &executablePath, const QString &libraryPath);
    virtual QueryOutcome queryEngine(QString &failureText, QString &error) = 0;
    // Forget what an earlier start found (a Transcoder clears its maps).
    virtual void clearFindings() {}
    // One run of queryEngine(): the engine is run with the arguments and its output echoed
    // to the console. False when the run failed; failureText is then failureFormat with the
    // runner's error text for %1.
    bool runQuery(const QStringList &arguments, const QString &failureFormat, QString &stdOut,
                  QString &failureText, QString &error);

    // The synchronous run shared by Transcoder::runProcess and Analyzer::runProcess; the
    // class word starts the debug lines. Runs the stored executable with the time-outs.
    bool runEngine(const char *classWord, const QStringList &arguments, QString &stdOut,
                   QString &stdErr, QString &error);
    // Starts the run that a later runEngine() with the same arguments takes over (see
    // SyncRunner::prefetchRun, and prefetchHeldRun for a non-empty holdOption); nothing for
    // an engine that is not ready or runs with its own library path, whose runs are never
    // taken over. dropRun() ends one that nobody asked for; releaseRun() lets a held one read
    // before it is taken over (SyncRunner::releaseHeldRun).
    void prefetchRun(const QStringList &arguments, const QString &holdOption = QString()) const;
    void dropRun(const QStringList &arguments) const;
    void releaseRun(const QStringList &arguments, qint64 outputLimit) const;
    // Echoes one run's output to the console's output and error channels (level 2).
    void echoOutput(const QString &stdOut, const QString &stdErr);
    // Takes signature and version from the two captures of the banner expression; on
    // failure both keep their values, and the console and debug output say so.
    bool parseSignatureWith(const QRegularExpression &banner, const QString &text);
    // The outcome of a start whose version query was answered without the engine's banner,
    // with exit code 0 all the same: the program is some other one (a wrapper, a script that
    // answers anything), and what relies on the engine must not take it for one. Says so on
    // the console.
    QueryOutcome refuseWithoutBanner();

    Console *m_console;
    QString m_signature;
    int m_startTimeout = 3000;
    int m_finishTimeout = 3000;
    int m_killTimeout = 5000;
    QString m_libraryPath;
    QString m_name;
    QString m_executablePath;
    int m_state = NotStarted;
    QString m_version;
    // Set while runQuery() runs: its answer depends only on the executable.
    bool m_queryRunning = false;
    // What a run keeps of each output channel (SyncRunner::OutputLimit unless a run's
    // answer grows with its file).
    qint64 m_outputLimit;
    // How the last run ended when not with exit code 0 ("process exited with code 1",
    // "process killed by signal 11 (...)", "process timed out after 3000 milliseconds").
    QString m_lastRunEnd;
    bool m_lastRunTimedOut = false;
    bool m_lastRunCutShort = false;
    // Set when a run of the current start was cut short by its time-outs.
    bool m_queriesLate = false;
    // Set while a start asks its engine again, with longer time-outs.
    bool m_askingAgain = false;
    // While a start runs: when it gives up (SyncRunner::Timeouts::startDeadline).
    QDeadlineTimer m_startDeadline = QDeadlineTimer(QDeadlineTimer::Forever);
};
