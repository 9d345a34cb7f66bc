#include "engines/syncrunner.h"
#include "engines/engineslogging.h"
#include "jobs/processend.h"
#include "jobs/processkiller.h"
#include "jobs/processtree.h"

#include <QCoreApplication>
#include <QDateTime>
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

namespace {
QProcess *startProcess(const QString &program, const QStringList &arguments,
                       const QString &libraryPath)
{
    // On the heap: a process whose kill did not take goes to the process killer instead of
    // a destructor that would wait for it.
    auto *process = new QProcess;
    ProcessTree::bindToProgram(process);
    if (!libraryPath.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
        process->setProcessEnvironment(environment);
    }
    process->start(program, arguments, QIODevice::ReadWrite);
    return process;
}

int s_loadScopes = 0;

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
        if (loop.exec() != 0)
            break;
    }
    return process->state() != state;
}

// Waits for a started process to end (it may have ended already), kills it when it
// outlives the finish time-out, collects its output and releases it.
SyncRunner::Result finishProcess(QProcess *process, const SyncRunner::Timeouts &timeouts,
                                 const char *classWord)
{
    SyncRunner::Result result;
    // A prefetched process may have started, or even ended, long ago.
    const bool started = waitToLeave(process, QProcess::Starting, timeouts.start)
                         && process->error() != QProcess::FailedToStart;
    if (!started) {
        result.startFailure = ProcessEnd::startFailure(process, timeouts.start);
        ProcessKiller::killAndWait(process, timeouts.kill);
        ProcessKiller::release(process);
        return result;
    }
    result.started = true;

    if (!waitToLeave(process, QProcess::Running, timeouts.finish)) {
        result.killed = true;
        if (ProcessKiller::killAndWait(process, timeouts.kill)) {
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: process killed.").arg(QLatin1String(classWord));
        } else {
            result.stillRunning = true;
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: process still running.").arg(QLatin1String(classWord));
        }
    }

    result.stdOut = SyncRunner::decodeLines(process->readAllStandardOutput());
    result.stdErr = SyncRunner::decodeLines(process->readAllStandardError());
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
    QProcess *process = nullptr;
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

// Ends the prefetched runs of one scope, or all of them for -1.
void endPrefetchedRuns(int scope)
{
    for (auto it = prefetchedRuns().begin(); it != prefetchedRuns().end();) {
        if (scope != -1 && it->scope != scope) {
            ++it;
            continue;
        }
        endProcess(it->process);
        it = prefetchedRuns().erase(it);
    }
}
} // namespace

QProcess *SyncRunner::takePrefetchedRun(const QString &program, const QStringList &arguments)
{
    return prefetchedRuns().take(runKey(program, arguments)).process;
}

void SyncRunner::prefetchRun(const QString &program, const QStringList &arguments)
{
    dropPrefetchedRun(program, arguments);
    prefetchedRuns().insert(runKey(program, arguments),
                            PrefetchedRun{startProcess(program, arguments, QString()), s_innermostScope});
}

void SyncRunner::dropPrefetchedRun(const QString &program, const QStringList &arguments)
{
    if (QProcess *earlier = takePrefetchedRun(program, arguments))
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

SyncRunner::Result SyncRunner::run(const QString &program, const QStringList &arguments,
                                   const QString &libraryPath, const Timeouts &timeouts,
                                   const char *classWord)
{
    QProcess *prefetched = libraryPath.isEmpty() ? takePrefetchedRun(program, arguments) : nullptr;
    return finishProcess(prefetched ? prefetched : startProcess(program, arguments, libraryPath), timeouts,
                         classWord);
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
    QHash<QString, QProcess *> running; // prefetched, not asked for yet
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
    for (QProcess *process : std::as_const(store.running))
        endProcess(process);
    store.running.clear();
    endPrefetchedRuns(-1);
}

SyncRunner::Result SyncRunner::runQuery(const QString &program, const QStringList &arguments,
                                        const QString &libraryPath, const Timeouts &timeouts,
                                        const char *classWord)
{
    QueryStore &store = queryStore();
    const QString stamp = executableStamp(program);
    const QString key = queryKey(stamp, libraryPath, arguments);
    QProcess *prefetched = nullptr;
    if (!stamp.isEmpty()) {
        QMutexLocker lock(&store.mutex);
        const auto found = store.answers.constFind(key);
        if (found != store.answers.constEnd()) {
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: answer of an unchanged executable reused.")
                                                .arg(QLatin1String(classWord));
            return found.value();
        }
        prefetched = store.running.take(key);
    }
    const Result result = prefetched ? finishProcess(prefetched, timeouts, classWord)
                                     : run(program, arguments, libraryPath, timeouts, classWord);
    // Only a whole answer is kept: a failed start, a kill or a crash (a kill is one too) is
    // asked again.
    if (!stamp.isEmpty() && result.started && !result.crashed) {
        QMutexLocker lock(&store.mutex);
        store.answers.insert(key, result);
    }
    return result;
}

QString SyncRunner::decodeLines(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
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
        QStringDecoder decoder(QStringDecoder::Utf8);
        text += decoder.decode(QByteArrayView(bytes).sliced(begin, end - begin));
        begin = end;
    }
    return text;
}
