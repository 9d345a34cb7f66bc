#include "parallelruns.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QThread>

#include <sched.h>

namespace {
// The cores the tests may use, in order.
QList<int> usableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    QList<int> cores;
    if (sched_getaffinity(0, sizeof(set), &set) == 0)
        for (int core = 0; core < CPU_SETSIZE; ++core)
            if (CPU_ISSET(core, &set))
                cores << core;
    return cores;
}

// Holds a child to one core. The engines size their thread pools by the cores they may run
// on: side by side, each with a pool for every core, their threads spend more time waiting
// for each other than encoding.
void pinToCore(QProcess *process, int core)
{
    process->setChildProcessModifier([core] {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(core, &set);
        sched_setaffinity(0, sizeof(set), &set);
    });
}
} // namespace

void markRepeats(QList<ParallelRun> &runs)
{
    QMap<QStringList, int> first;
    for (int i = 0; i < runs.size(); ++i) {
        const QStringList key = QStringList{runs[i].program} + runs[i].arguments.mid(0, runs[i].arguments.size() - 1);
        runs[i].repeats = first.value(key, -1);
        if (runs[i].repeats < 0)
            first.insert(key, i);
    }
}

void runInParallel(QList<ParallelRun> &runs, const std::function<void(int)> &finished)
{
    const int parallel = qMax(2, QThread::idealThreadCount());
    const QList<int> cores = usableCores();
    QList<int> freeCores = cores;
    QMap<QProcess *, int> coreOf;
    QList<QPair<int, QProcess *>> running;
    for (int next = 0; next < runs.size() || !running.isEmpty();) {
        for (; running.size() < parallel && next < runs.size(); ++next) {
            if (runs[next].repeats >= 0)
                continue;
            auto *process = new QProcess;
            if (runs[next].mergeChannels)
                process->setProcessChannelMode(QProcess::MergedChannels);
            else
                process->setStandardOutputFile(runs[next].stdOutFile.isEmpty() ? QProcess::nullDevice()
                                                                                : runs[next].stdOutFile);
            if (!freeCores.isEmpty()) {
                coreOf.insert(process, freeCores.first());
                pinToCore(process, freeCores.takeFirst());
            }
            process->start(runs[next].program, runs[next].arguments);
            running.append({next, process});
        }
        for (int i = running.size() - 1; i >= 0; --i) {
            auto [index, process] = running[i];
            if (process->state() != QProcess::NotRunning && !process->waitForFinished(20))
                continue;
            ParallelRun &run = runs[index];
            run.started = process->error() != QProcess::FailedToStart;
            run.startError = run.started ? QString() : process->errorString();
            run.crashed = process->exitStatus() == QProcess::CrashExit;
            run.exitCode = process->exitCode();
            run.output = (run.mergeChannels ? process->readAllStandardOutput()
                                            : process->readAllStandardError()).right(run.kept);
            if (coreOf.contains(process))
                freeCores.append(coreOf.take(process));
            delete process;
            running.removeAt(i);
            finished(index);
        }
    }
    for (int i = 0; i < runs.size(); ++i)
        if (runs[i].repeats >= 0)
            finished(i);
}

namespace {
// A command with the file it writes replaced by a mark that keeps the file's suffix (which
// may choose the container): equal keys make the same file.
QStringList sameFileKey(const QStringList &command, const QString &output)
{
    if (output.isEmpty())
        return {};
    QStringList key = command;
    const QString mark = QStringLiteral("<output>.") + QFileInfo(output).suffix();
    bool named = false;
    for (QString &argument : key)
        if (argument == output) {
            argument = mark;
            named = true;
        }
    return named ? key : QStringList();
}
} // namespace

QStringList runChains(const QList<QList<QStringList>> &chains, const QList<QStringList> &outputs)
{
    const auto outputOf = [&](qsizetype chain, qsizetype step) { return outputs.value(chain).value(step); };
    // Of each command run, by its key: the file it wrote and its fault ("" when it exited 0).
    QMap<QStringList, QPair<QString, QString>> ran;
    // Each round runs the next command of every chain that has not failed yet.
    QStringList faults(chains.size());
    for (qsizetype step = 0;; ++step) {
        QList<ParallelRun> runs;
        QList<qsizetype> chainOf;
        QList<QStringList> keyOf;
        QList<QPair<qsizetype, QStringList>> repeats; // a chain, and the key of the run it repeats
        for (qsizetype chain = 0; chain < chains.size(); ++chain) {
            if (step >= chains[chain].size() || !faults[chain].isEmpty())
                continue;
            const QStringList key = sameFileKey(chains[chain][step], outputOf(chain, step));
            if (!key.isEmpty() && (ran.contains(key) || keyOf.contains(key))) {
                repeats.append({chain, key});
                continue;
            }
            runs.append({chains[chain][step].first(), chains[chain][step].mid(1)});
            runs.last().mergeChannels = true;
            chainOf.append(chain);
            keyOf.append(key);
        }
        if (runs.isEmpty() && repeats.isEmpty())
            return faults;
        const auto end = [&](const QList<ParallelRun> &ended, const QList<qsizetype> &chainOfRun,
                             const QList<QStringList> &keys, int i) {
            const ParallelRun &run = ended[i];
            const qsizetype chain = chainOfRun[i];
            if (!run.started || run.crashed || run.exitCode != 0)
                faults[chain] = QStringLiteral("step %1 exit %2: ").arg(step).arg(run.exitCode)
                                + QString::fromUtf8(run.output.right(300)).simplified() + run.startError;
            if (!keys[i].isEmpty())
                ran.insert(keys[i], {outputOf(chain, step), faults[chain]});
        };
        runInParallel(runs, [&](int i) { end(runs, chainOf, keyOf, i); });
        // A repeat whose file cannot be copied runs itself.
        QList<ParallelRun> again;
        QList<qsizetype> chainOfAgain;
        for (const auto &[chain, key] : std::as_const(repeats)) {
            const auto [file, fault] = ran.value(key);
            const QString to = outputOf(chain, step);
            QFile::remove(to);
            if (!fault.isEmpty()) {
                faults[chain] = fault;
            } else if (!QFile::copy(file, to)) {
                again.append({chains[chain][step].first(), chains[chain][step].mid(1)});
                again.last().mergeChannels = true;
                chainOfAgain.append(chain);
            }
        }
        runInParallel(again, [&](int i) { end(again, chainOfAgain, QList<QStringList>(again.size()), i); });
    }
}
