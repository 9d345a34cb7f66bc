#include "engines/syncrunner.h"
#include "engines/engineslogging.h"
#include "engines/heldoutput.h"
#include "jobs/nestedloop.h"
#include "jobs/processend.h"
#include "jobs/processkiller.h"
#include "jobs/processtree.h"
#include "jobs/programstart.h"
#include "jobs/workwatch.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStandardPaths>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringDecoder>

#include <algorithm>
#include <memory>

namespace {
// What a run keeps of one output channel: its first bytes up to the limit, and the count of
// the bytes past it.
struct ChannelCapture
{
    QByteArray kept;
    qint64 dropped = 0;
};

// A line longer than this is no status line: its start is dropped rather than kept waiting
// for its end.
constexpr qsizetype LongestJudgedLine = 64 * 1024;

struct OutputCapture
{
    qint64 limit = SyncRunner::OutputLimit; // per channel
    ChannelCapture stdOut;
    ChannelCapture stdErr;
    QElapsedTimer quiet; // since the engine started or last printed (or moved on)
    QElapsedTimer printed; // since the engine started or last printed (what moves it on)
    // When set, only lines it judges to move the engine on restart `quiet`.
    std::function<bool(const QString &)> progressed;
    QByteArray unfinished[2]; // per channel, the line not ended yet
    qint64 readLimit = 0;     // see SyncRunner::Timeouts::readLimit
    bool overRead = false;
};

// The engine printed what moves it on.
void movedOn(OutputCapture &output)
{
    output.quiet.start();
    output.printed.start();
}

// How often what a run with a read limit has read is looked at.
constexpr int ReadLookMs = 100;

// Stops the engine once it has read more than its limit; true when it has.
bool readPastLimit(QProcess *process, OutputCapture &output)
{
    if (output.overRead)
        return true;
    if (output.readLimit <= 0 || process->state() != QProcess::Running)
        return false;
    const qint64 read = WorkWatch::usageOf(process->processId()).readBytes;
    if (read <= output.readLimit)
        return false;
    qCDebug(lcEngines).noquote() << QStringLiteral("SyncRunner: the engine read %1 bytes, more than the %2 it may.")
                                        .arg(read).arg(output.readLimit);
    output.overRead = true;
    ProcessKiller::kill(process);
    return true;
}

// Restarts the quiet clock for what a channel printed: any bytes, or with a judge, a whole
// line that moves the engine on.
void notePrinted(OutputCapture &output, int channel, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (!output.progressed) {
        movedOn(output);
        return;
    }
    QByteArray &line = output.unfinished[channel];
    const qsizetype size = bytes.size();
    for (qsizetype begin = 0; begin < size;) {
        qsizetype end = begin;
        while (end < size && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        line += QByteArrayView(bytes).sliced(begin, std::min(end - begin, LongestJudgedLine - line.size()));
        if (end == size)
            return;
        if (!line.isEmpty() && output.progressed(QString::fromUtf8(line)))
            movedOn(output);
        line.clear();
        begin = end + 1;
    }
}

// A started engine and what it has printed so far.
struct RunningEngine
{
    QProcess *process = nullptr;
    std::shared_ptr<OutputCapture> output;
    // For a held run: the pipe its answer comes through, in place of its standard output.
    std::shared_ptr<HeldOutput> held;
};

void collect(QProcess *process, qint64 limit, ChannelCapture &channel, const QByteArray &bytes)
{
    const qint64 room = std::max<qint64>(0, limit - channel.kept.size());
    channel.kept += bytes.left(room);
    if (bytes.size() <= room)
        return;
    channel.dropped += bytes.size() - room;
    // Past the limit nothing the engine prints is of use, and it may never stop.
    if (process->state() != QProcess::NotRunning)
        ProcessKiller::kill(process);
}

int s_loadScopes = 0;

// The engines started while a load scope was open, until they are deleted.
QList<QProcess *> &scopeProcesses()
{
    static QList<QProcess *> processes;
    return processes;
}

RunningEngine startProcess(const QString &program, const QStringList &arguments,
                           const QString &libraryPath, qint64 outputLimit = SyncRunner::OutputLimit)
{
    // On the heap: a process whose kill did not take goes to the process killer instead of
    // a destructor that would wait for it.
    RunningEngine engine{new QProcess, std::make_shared<OutputCapture>(), nullptr};
    engine.output->limit = outputLimit;
    QProcess *process = engine.process;
    ProcessTree::bindToProgram(process);
    // Each piece the process reads (also inside its waitFor... calls) is taken out of its
    // buffer at once, so the process never holds more than one read.
    const std::shared_ptr<OutputCapture> output = engine.output;
    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process, output] {
        const QByteArray bytes = process->readAllStandardOutput();
        notePrinted(*output, 0, bytes);
        collect(process, output->limit, output->stdOut, bytes);
    });
    QObject::connect(process, &QProcess::readyReadStandardError, process, [process, output] {
        const QByteArray bytes = process->readAllStandardError();
        notePrinted(*output, 1, bytes);
        collect(process, output->limit, output->stdErr, bytes);
    });
    if (!libraryPath.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
        process->setProcessEnvironment(environment);
    }
    if (s_loadScopes > 0) {
        scopeProcesses().append(process);
        QObject::connect(process, &QObject::destroyed, [process] { scopeProcesses().removeOne(process); });
    }
    ProgramStart::start(process, program, arguments, QIODevice::ReadWrite);
    engine.output->quiet.start();
    return engine;
}

// A channel's text, with a note at its end when the engine printed past the limit.
QString channelText(const ChannelCapture &channel, qint64 limit)
{
    QString text = SyncRunner::decodeLines(channel.kept);
    if (channel.dropped > 0) {
        text += QCoreApplication::translate(
                    "SyncRunner", "\n[... output cut: the engine printed %1 bytes more than the %2 MB kept, "
                                  "and was stopped]\n")
                    .arg(channel.dropped)
                    .arg(limit / (1024 * 1024));
    }
    return text;
}

// Inside a load scope, and only on the thread of the window, a wait handles events.
bool waitWithEvents()
{
    return s_loadScopes > 0 && QCoreApplication::instance()
           && QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Waits up to timeout ms for the process to leave `state`, by blocking or by handling events.
bool waitToLeave(QProcess *process, QProcess::ProcessState state, int timeout)
{
    if (process->state() != state)
        return true;
    if (!waitWithEvents())
        return state == QProcess::Starting ? process->waitForStarted(timeout) || process->state() != state
                                           : process->waitForFinished(timeout);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::stateChanged, &loop, &QEventLoop::quit);
    timer.start(timeout);
    // A loop that returns with a code was told to end by the program: the wait is over.
    while (process->state() == state && timer.isActive()) {
        if (NestedLoop::exec("SyncRunner::run", loop) != 0)
            break;
    }
    return process->state() != state;
}

enum class EndWait { Ended, TimedOut, Stalled, Stopped, OverRead };

// When the finish time-out counted from now runs out, or the run's deadline if sooner.
QDeadlineTimer finishBy(const SyncRunner::Timeouts &timeouts)
{
    const QDeadlineTimer finish(timeouts.finish);
    return timeouts.deadline < finish ? timeouts.deadline : finish;
}

// The start time-out, or what is left of the run's deadline if less.
int startWait(const SyncRunner::Timeouts &timeouts)
{
    return int(std::min<qint64>(timeouts.start, timeouts.deadline.isForever()
                                                    ? timeouts.start : timeouts.deadline.remainingTime()));
}

// How often a run that may be asked to stop looks at its stop flag.
constexpr qint64 StopPollMs = 100;

// Waits for a running process to end within the finish time-out; with a stall time-out,
// only for as long as it keeps printing (or moving on, or working) too; with a stop flag,
// until it is set.
EndWait waitForEnd(QProcess *process, OutputCapture &output, const SyncRunner::Timeouts &timeouts)
{
    const QDeadlineTimer finish = finishBy(timeouts);
    if (timeouts.stall <= 0 && !timeouts.stop && output.readLimit <= 0)
        return waitToLeave(process, QProcess::Running, int(finish.remainingTime())) ? EndWait::Ended : EndWait::TimedOut;
    WorkWatch work;
    if (timeouts.stall > 0 && (timeouts.work.process || !timeouts.work.files.isEmpty())) {
        work = WorkWatch(process->processId(), timeouts.work.process, timeouts.work.files);
        movedOn(output);
    }
    for (;;) {
        const qint64 finishLeft = finish.remainingTime();
        const qint64 stallLeft = timeouts.stall > 0 ? timeouts.stall - output.quiet.elapsed() : finishLeft;
        const bool stopAsked = timeouts.stop && *timeouts.stop;
        if (stallLeft <= 0 || finishLeft <= 0 || stopAsked) {
            if (process->state() != QProcess::Running)
                return EndWait::Ended;
            return stopAsked ? EndWait::Stopped : stallLeft <= 0 ? EndWait::Stalled : EndWait::TimedOut;
        }
        qint64 slice = std::min(stallLeft, finishLeft);
        if (timeouts.stop)
            slice = std::min(slice, StopPollMs);
        if (work.isWatching())
            slice = std::min<qint64>(slice, WorkWatch::LookMs);
        if (output.readLimit > 0)
            slice = std::min<qint64>(slice, ReadLookMs);
        if (waitToLeave(process, QProcess::Running, int(slice)))
            return EndWait::Ended;
        if (readPastLimit(process, output))
            return EndWait::OverRead;
        if (work.movedOn(output.printed.elapsed(), qint64(timeouts.stall) * SyncRunner::WorkAloneFactor))
            output.quiet.start();
    }
}

// Waits for a started process to end (it may have ended already), kills it when it
// outlives the finish time-out (or stops printing for the stall time-out), collects its
// output and releases it.
SyncRunner::Result finishProcess(const RunningEngine &engine, const SyncRunner::Timeouts &timeouts,
                                 const char *classWord)
{
    QProcess *process = engine.process;
    OutputCapture &output = *engine.output;
    if (engine.held)
        engine.held->open(output.limit);
    SyncRunner::Result result;
    // A prefetched process may have started, or even ended, long ago.
    const int startTimeout = startWait(timeouts);
    const bool started = waitToLeave(process, QProcess::Starting, startTimeout)
                         && process->error() != QProcess::FailedToStart;
    if (!started) {
        result.startFailure = ProcessEnd::startFailure(process, startTimeout);
        result.startTimedOut = process->state() == QProcess::Starting;
        ProcessKiller::killAndWait(process, timeouts.kill);
        ProcessKiller::release(process);
        return result;
    }
    result.started = true;

    output.progressed = timeouts.progressed;
    if (output.readLimit <= 0)
        output.readLimit = timeouts.readLimit;
    const EndWait end = waitForEnd(process, output, timeouts);
    if (end != EndWait::Ended) {
        // Stopped for what it read, it was not short of time (Result::overRead).
        result.killed = end != EndWait::OverRead;
        result.stalled = end == EndWait::Stalled;
        result.stopped = end == EndWait::Stopped;
        result.pastDeadline = end == EndWait::TimedOut && timeouts.deadline.hasExpired();
        if (ProcessKiller::killAndWait(process, timeouts.kill)) {
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: process killed.").arg(QLatin1String(classWord));
        } else {
            result.stillRunning = true;
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: process still running.").arg(QLatin1String(classWord));
        }
    }

    collect(process, output.limit, output.stdOut, process->readAllStandardOutput());
    collect(process, output.limit, output.stdErr, process->readAllStandardError());
    if (engine.held) {
        engine.held->finish();
        output.stdOut.kept = engine.held->bytes();
        output.stdOut.dropped = engine.held->droppedBytes();
    }
    result.droppedBytes = output.stdOut.dropped + output.stdErr.dropped;
    if (result.droppedBytes > 0)
        qCDebug(lcEngines).noquote() << QStringLiteral("%1: output cut, %2 bytes dropped.")
                                            .arg(QLatin1String(classWord)).arg(result.droppedBytes);
    result.stdOut = channelText(output.stdOut, output.limit);
    result.stdErr = channelText(output.stdErr, output.limit);
    result.overRead = output.overRead;
    result.crashed = result.stillRunning || process->exitStatus() == QProcess::CrashExit;
    result.exitCode = process->exitCode();
    ProcessKiller::release(process);
    return result;
}
} // namespace

namespace {
QString runKey(const QString &program, const QStringList &arguments)
{
    return program + QChar(0x1f) + arguments.join(QChar(0x1f));
}

struct PrefetchedRun
{
    RunningEngine engine;
    int scope = 0; // the load scope it was started in (0: none)
};

// Used from the window's thread only, as the waits that take them over.
QHash<QString, PrefetchedRun> &prefetchedRuns()
{
    static QHash<QString, PrefetchedRun> runs;
    return runs;
}

int s_scopeSerial = 0;
int s_innermostScope = 0;

void endProcess(QProcess *process)
{
    ProcessKiller::killAndWait(process, 1000);
    ProcessKiller::release(process);
}

// Ends the prefetched runs of one scope, or all of them for -1. They leave the list first:
// nothing that sees one end finds it there.
void endPrefetchedRuns(int scope)
{
    QList<QProcess *> ending;
    for (auto it = prefetchedRuns().begin(); it != prefetchedRuns().end();) {
        if (scope != -1 && it->scope != scope) {
            ++it;
            continue;
        }
        ending.append(it->engine.process);
        it = prefetchedRuns().erase(it);
    }
    for (QProcess *process : std::as_const(ending))
        endProcess(process);
}
} // namespace

SyncRunner::TakenRun SyncRunner::takePrefetchedRun(const QString &program, const QStringList &arguments)
{
    const RunningEngine engine = prefetchedRuns().take(runKey(program, arguments)).engine;
    TakenRun taken;
    taken.process = engine.process;
    if (!taken.process)
        return taken;
    // From here the caller reads the process itself; what was collected so far is handed on.
    QObject::disconnect(taken.process, &QProcess::readyReadStandardOutput, taken.process, nullptr);
    QObject::disconnect(taken.process, &QProcess::readyReadStandardError, taken.process, nullptr);
    taken.stdOut = engine.output->stdOut.kept;
    taken.stdErr = engine.output->stdErr.kept;
    return taken;
}

void SyncRunner::prefetchRun(const QString &program, const QStringList &arguments)
{
    prefetchRun(program, arguments, Prefetch());
}

void SyncRunner::prefetchRun(const QString &program, const QStringList &arguments, const Prefetch &prefetch)
{
    dropPrefetchedRun(program, arguments);
    const QString key = runKey(program, arguments);
    const RunningEngine engine = startProcess(program, arguments, QString());
    prefetchedRuns().insert(key, PrefetchedRun{engine, s_innermostScope});
    QProcess *process = engine.process;
    const std::shared_ptr<OutputCapture> output = engine.output;
    output->readLimit = prefetch.readLimit;
    if (prefetch.readLimit > 0) {
        auto *look = new QTimer(process);
        QObject::connect(look, &QTimer::timeout, process, [look, process, output] {
            if (readPastLimit(process, *output))
                look->stop();
        });
        look->start(ReadLookMs);
    }
    if (!prefetch.ended)
        return;
    QObject::connect(process, &QProcess::finished, process,
                     [key, process, output, ended = prefetch.ended](int, QProcess::ExitStatus status) {
        // Taken over, dropped or stopped meanwhile: its reader or nobody wants its answer.
        const auto found = prefetchedRuns().constFind(key);
        if (found == prefetchedRuns().cend() || found->engine.process != process || status != QProcess::NormalExit)
            return;
        collect(process, output->limit, output->stdOut, process->readAllStandardOutput());
        ended(decodeLines(output->stdOut.kept));
    });
}

bool SyncRunner::isPrefetched(const QString &program, const QStringList &arguments)
{
    return prefetchedRuns().contains(runKey(program, arguments));
}

void SyncRunner::prefetchHeldRun(const QString &program, const QStringList &arguments,
                                 const QString &outputOption)
{
    dropPrefetchedRun(program, arguments);
    const auto held = std::make_shared<HeldOutput>();
    if (!held->isValid())
        return;
    RunningEngine engine = startProcess(program, QStringList{outputOption, held->path()} + arguments, QString());
    engine.held = held;
    prefetchedRuns().insert(runKey(program, arguments), PrefetchedRun{engine, s_innermostScope});
}

void SyncRunner::releaseHeldRun(const QString &program, const QStringList &arguments,
                                qint64 outputLimit)
{
    const auto found = prefetchedRuns().constFind(runKey(program, arguments));
    if (found == prefetchedRuns().cend() || !found->engine.held)
        return;
    found->engine.held->open(outputLimit);
}

void SyncRunner::dropPrefetchedRun(const QString &program, const QStringList &arguments)
{
    if (QProcess *earlier = prefetchedRuns().take(runKey(program, arguments)).engine.process)
        endProcess(earlier);
}

SyncRunner::LoadScope::LoadScope()
    : m_serial(++s_scopeSerial)
    , m_outer(s_innermostScope)
{
    s_innermostScope = m_serial;
    ++s_loadScopes;
}

SyncRunner::LoadScope::~LoadScope()
{
    --s_loadScopes;
    s_innermostScope = m_outer;
    endPrefetchedRuns(m_serial);
}

bool SyncRunner::LoadScope::active()
{
    return s_loadScopes > 0;
}

QList<qint64> SyncRunner::LoadScope::runningProcessIds()
{
    QList<qint64> ids;
    for (const QProcess *process : std::as_const(scopeProcesses()))
        if (process->state() == QProcess::Running)
            ids.append(process->processId());
    return ids;
}

SyncRunner::Result SyncRunner::run(const QString &program, const QStringList &arguments,
                                   const QString &libraryPath, const Timeouts &timeouts,
                                   const char *classWord, qint64 outputLimit)
{
    RunningEngine prefetched = libraryPath.isEmpty() ? prefetchedRuns().take(runKey(program, arguments)).engine
                                                     : RunningEngine();
    if (prefetched.process) {
        prefetched.output->limit = outputLimit;
        const Result result = finishProcess(prefetched, timeouts, classWord);
        // A held engine that never opened its output did not know the option, or failed
        // before it came to it: asked the plain way, it answers as it always would.
        if (!prefetched.held || prefetched.held->connected())
            return result;
        qCDebug(lcEngines).noquote() << QStringLiteral("%1: held run did not open its output, run again.")
                                            .arg(QLatin1String(classWord));
    }
    return finishProcess(startProcess(program, arguments, libraryPath, outputLimit), timeouts, classWord);
}

namespace {
// The executable as it is now: its path, size and modification time; empty when the
// program cannot be found (such a run is never kept).
QString executableStamp(const QString &program)
{
    const QString path = program.contains(QLatin1Char('/')) ? program
                                                            : QStandardPaths::findExecutable(program);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return QString();
    return info.canonicalFilePath() + QLatin1Char('\n') + QString::number(info.size())
           + QLatin1Char('\n') + QString::number(info.lastModified().toMSecsSinceEpoch());
}

QString queryKey(const QString &stamp, const QString &libraryPath, const QStringList &arguments)
{
    return stamp + QLatin1Char('\n') + libraryPath + QLatin1Char('\n') + arguments.join(QChar(0x1f));
}

struct QueryStore
{
    QMutex mutex;
    QHash<QString, SyncRunner::Result> answers;
    QHash<QString, RunningEngine> running; // prefetched, not asked for yet
    // Queries given up at an engine start's deadline, until start-up is over: the shell, the
    // encoder and both player panels each start the same engines, and a broken one would hold
    // the window for each of them.
    QHash<QString, SyncRunner::Result> givenUp;
};

QueryStore &queryStore()
{
    static QueryStore store;
    return store;
}
} // namespace

void SyncRunner::prefetchQuery(const QString &program, const QStringList &arguments)
{
    const QString stamp = executableStamp(program);
    if (stamp.isEmpty())
        return;
    const QString key = queryKey(stamp, QString(), arguments);
    QueryStore &store = queryStore();
    QMutexLocker lock(&store.mutex);
    if (!store.answers.contains(key) && !store.running.contains(key))
        store.running.insert(key, startProcess(program, arguments, QString()));
}

void SyncRunner::dropPrefetched()
{
    QueryStore &store = queryStore();
    QMutexLocker lock(&store.mutex);
    for (const RunningEngine &engine : std::as_const(store.running))
        endProcess(engine.process);
    store.running.clear();
    store.givenUp.clear();
    endPrefetchedRuns(-1);
}

SyncRunner::Result SyncRunner::runQuery(const QString &program, const QStringList &arguments,
                                        const QString &libraryPath, const Timeouts &timeouts,
                                        const char *classWord)
{
    QueryStore &store = queryStore();
    const QString stamp = executableStamp(program);
    const QString key = queryKey(stamp, libraryPath, arguments);
    RunningEngine prefetched;
    if (!stamp.isEmpty()) {
        QMutexLocker lock(&store.mutex);
        const auto found = store.answers.constFind(key);
        if (found != store.answers.constEnd()) {
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: answer of an unchanged executable reused.")
                                                .arg(QLatin1String(classWord));
            return found.value();
        }
        if (store.givenUp.contains(key))
            return store.givenUp.value(key);
        prefetched = store.running.take(key);
    }
    const Result result = prefetched.process ? finishProcess(prefetched, timeouts, classWord)
                                     : run(program, arguments, libraryPath, timeouts, classWord);
    // Only a whole answer is kept: a failed start, a kill or a crash (a kill is one too) is
    // asked again.
    if (!stamp.isEmpty() && result.started && !result.crashed) {
        QMutexLocker lock(&store.mutex);
        store.answers.insert(key, result);
    } else if (!stamp.isEmpty() && result.pastDeadline) {
        QMutexLocker lock(&store.mutex);
        store.givenUp.insert(key, result);
    }
    return result;
}

SyncRunner::Timeouts SyncRunner::Timeouts::patient(int start, int finish, int kill)
{
    Timeouts timeouts;
    timeouts.start = start;
    timeouts.finish = finish * PatienceFactor;
    timeouts.kill = kill;
    timeouts.stall = finish;
    timeouts.work.process = true;
    return timeouts;
}

qint64 SyncRunner::Timeouts::startBudget(int start, int finish, int kill)
{
    return qint64(AgainFactor) * (qint64(start) + finish + kill);
}

QDeadlineTimer SyncRunner::Timeouts::startDeadline(int start, int finish, int kill)
{
    return QDeadlineTimer(startBudget(start, finish, kill) - kill);
}

SyncRunner::Timeouts SyncRunner::Timeouts::again() const
{
    Timeouts longer = *this;
    longer.start *= AgainFactor;
    longer.finish *= AgainFactor;
    longer.stall *= AgainFactor;
    return longer;
}

QString SyncRunner::cutNotice(const QString &engineName, const Result &result)
{
    return QCoreApplication::translate("SyncRunner", "%1: the engine printed %2 bytes more than is kept "
                                                     "and was stopped.")
        .arg(engineName)
        .arg(result.droppedBytes);
}

QString SyncRunner::decodeLines(const QByteArray &bytes)
{
    // Each line is decoded straight into the text, which a byte of UTF-8 never outgrows: an
    // answer of millions of short lines costs no string of its own per line.
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    // Stateless: each line is decoded as a whole, a sequence its end cuts spoilt in it.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    qsizetype begin = 0;
    const qsizetype size = bytes.size();
    while (begin < size) {
        qsizetype end = begin;
        while (end < size && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        // The line end belongs to its line: "\r\n" counts as one end.
        if (end < size) {
            if (bytes.at(end) == '\r' && end + 1 < size && bytes.at(end + 1) == '\n')
                ++end;
            ++end;
        }
        out = decoder.appendToBuffer(out, QByteArrayView(bytes).sliced(begin, end - begin));
        begin = end;
    }
    text.truncate(out - text.constData());
    return text;
}
