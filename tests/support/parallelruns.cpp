#include "parallelruns.h"

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
                                            : process->readAllStandardError()).right(65536);
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

QStringList runChains(const QList<QList<QStringList>> &chains)
{
    // Each round runs the next command of every chain that has not failed yet.
    QStringList faults(chains.size());
    for (qsizetype step = 0;; ++step) {
        QList<ParallelRun> runs;
        QList<qsizetype> chainOf;
        for (qsizetype chain = 0; chain < chains.size(); ++chain) {
            if (step >= chains[chain].size() || !faults[chain].isEmpty())
                continue;
            runs.append({chains[chain][step].first(), chains[chain][step].mid(1)});
            runs.last().mergeChannels = true;
            chainOf.append(chain);
        }
        if (runs.isEmpty())
            return faults;
        runInParallel(runs, [&](int i) {
            const ParallelRun &run = runs[i];
            if (!run.started || run.crashed || run.exitCode != 0)
                faults[chainOf[i]] = QStringLiteral("step %1 exit %2: ").arg(step).arg(run.exitCode)
                                     + QString::fromUtf8(run.output.right(300)).simplified() + run.startError;
        });
    }
}
