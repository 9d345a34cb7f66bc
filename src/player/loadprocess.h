#pragma once

#include "jobs/workwatch.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

// One engine run of a load: started read-write, given its standard input once started,
// killed when it has not ended within its finish time-out, and read afterwards from its
// buffers one complete line at a time (a killed run is read all the same).
//
// The run is driven by the event loop, so several runs of one load can go side by side
// and the window keeps handling its events: the waits below run a local event loop until
// the run has got that far, never longer than the run's own time-outs.
class LoadProcess : public QObject
{
    Q_OBJECT

public:
    LoadProcess() = default;
    // A run that still goes is killed and left to end without being waited for.
    ~LoadProcess() override;

    // Starts the run now. `input` is written once it has started; `finishTimeoutMs` counts
    // from the start. A patient run is not killed at its finish time-out while it makes
    // progress (prints, or works: see SyncRunner::Timeouts::patient): only once it has made
    // none for `finishTimeoutMs`, or at SyncRunner::PatienceFactor times that.
    void begin(const QString &program, const QStringList &arguments, const QByteArray &input,
               int startTimeoutMs, int finishTimeoutMs, bool patient = false);
    // Whether this run was begun with this command.
    bool runs(const QString &program, const QStringList &arguments) const;

    // False when the program has not started within the start time-out.
    bool waitStarted();
    // False when the run had not ended within the finish time-out (or the program quits
    // meanwhile): it is then killed, and what it wrote so far stays readable.
    bool waitEnded();
    // True once waitEnded() would not wait: the run failed to start, ended or was killed.
    bool isOver() const { return m_over; }
    bool hasStarted() const { return m_started; }
    // Whether the program could not be run at all (missing, not executable): no time-out
    // would have helped.
    bool couldNotStart() const { return m_couldNotStart; }
    // Whether the run was killed for outliving its finish time-out.
    bool wasKilled() const { return m_killed; }

    // The next complete line of the channel, line end included; false when none is left.
    bool readLine(QProcess::ProcessChannel channel, QByteArray *line);
    // The engine's process id while it runs, else 0.
    qint64 processId() const { return m_process ? m_process->processId() : 0; }

    // How a run's program is started (ProgramStart::start). Tests put a start that comes late
    // in its place; the previous function is returned.
    using StartFunction = void (*)(QProcess *process, const QString &program, const QStringList &arguments);
    static StartFunction setStartFunction(StartFunction start);

signals:
    // The run is over (see isOver()).
    void over();

private:
    void onStarted();
    void onTimeout();
    // How long the timer waits for its next look at the run.
    int nextLook() const;
    void conclude();
    void waitUntil(bool (LoadProcess::*done)() const);

    QProcess *m_process = nullptr;
    QTimer m_timer;
    bool m_patient = false;
    QElapsedTimer m_running; // since the start
    QElapsedTimer m_quiet;   // since the start or the last progress
    QElapsedTimer m_printed; // since the start or the last output
    WorkWatch m_work;
    QString m_program;
    QStringList m_arguments;
    QByteArray m_input;
    int m_finishTimeoutMs = 0;
    bool m_started = false;
    bool m_couldNotStart = false;
    bool m_startDecided = false;
    bool m_over = false;
    bool m_killed = false;

    bool startDecided() const { return m_startDecided; }
};
