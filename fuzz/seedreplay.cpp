// The test build's driver of a fuzz target: calls it once with each seed file found in the
// folders and files named on the command line, so that CTest replays every seed under the
// sanitizers in seconds. A seed that crashes the target ends the run with the sanitizer's
// report and a failed test; so does a seed that never reaches the target's parsers, and a
// replay in which no seed gave them anything to read (FuzzTarget::parsed()).
//
// With "--long" first, it replays long inputs instead (longinputs.h): those shaped from the
// seeds in the folders named, and the recipes of the files named, each under a time bound;
// an input that outlasts its bound ends the run at once, named, with a failure.

#include "fuzztarget.h"
#include "longinputs.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <time.h>

namespace {
bool readFile(const QString &name, QByteArray *bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
        return false;
    }
    *bytes = file.readAll();
    return true;
}

// Calls the target; what its parsers took from the input (FuzzTarget::found), -1 when the
// input never reached them.
qsizetype call(const QByteArray &input)
{
    FuzzTarget::found = -1;
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
    return FuzzTarget::found;
}

bool reached(qsizetype found, const QString &name)
{
    if (found >= 0)
        return true;
    std::fprintf(stderr, "FAIL: \"%s\" never reached the target's parsers\n", qPrintable(name));
    return false;
}

// Processor time of the whole process, in ms: a busy machine stretches the wall time of a
// call, not the work it does.
qint64 processorMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Calls the target with the input; a call whose processor time outlasts the bound is not
// waited for: the process ends, naming it (a quadratic reading of 4 MiB would take hours).
// One that waits rather than works is ended too, at a tenfold wall time.
qint64 callBounded(const LongInputs::Input &input, qsizetype *found)
{
    const qint64 bound = LongInputs::boundMs(input.bytes.size());
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    const qint64 startedMs = processorMs();
    QElapsedTimer wall;
    wall.start();
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        while (!done.wait_for(lock, std::chrono::milliseconds(100), [&] { return finished; })) {
            const qint64 used = processorMs() - startedMs;
            if (used <= bound && wall.elapsed() <= 10 * bound)
                continue;
            std::fprintf(stderr, "FAIL: \"%s\" (%lld bytes) took longer than %lld ms (%lld ms of processor time, %lld ms in all)\n",
                         qPrintable(input.name), qlonglong(input.bytes.size()), qlonglong(bound),
                         qlonglong(used), qlonglong(wall.elapsed()));
            std::fflush(stderr);
            std::_Exit(1);
        }
    });
    *found = call(input.bytes);
    const qint64 used = processorMs() - startedMs;
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
    return used;
}

QStringList seedFiles(const QString &argument)
{
    QStringList files;
    if (QFileInfo(argument).isDir()) {
        QDirIterator it(argument, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    } else {
        files << argument;
    }
    files.sort();
    return files;
}

int replayLong(int argc, char **argv)
{
    QList<LongInputs::Input> inputs;
    for (int i = 2; i < argc; ++i) {
        const QString argument = QFile::decodeName(argv[i]);
        const bool recipes = !QFileInfo(argument).isDir();
        for (const QString &name : seedFiles(argument)) {
            QByteArray bytes;
            if (!readFile(name, &bytes))
                return 1;
            if (!recipes) {
                inputs += LongInputs::fromSeed(QFileInfo(name).fileName(), bytes);
                continue;
            }
            QString error;
            const QList<LongInputs::Input> read = LongInputs::fromRecipes(bytes, &error);
            if (!error.isEmpty()) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(error));
                return 1;
            }
            inputs += read;
        }
    }
    for (const LongInputs::Input &input : std::as_const(inputs)) {
        qsizetype found = -1;
        const qint64 elapsed = callBounded(input, &found);
        if (!reached(found, input.name))
            return 1;
        std::printf("%6lld ms of processor time  %8lld bytes  %s\n", qlonglong(elapsed), qlonglong(input.bytes.size()),
                    qPrintable(input.name));
        std::fflush(stdout);
    }
    std::printf("%lld long inputs replayed\n", qlonglong(inputs.size()));
    FuzzTarget::tearDown();
    return inputs.isEmpty() ? 1 : 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--long") == 0)
        return replayLong(argc, argv);
    int replayed = 0;
    int read = 0;
    for (int i = 1; i < argc; ++i) {
        for (const QString &name : seedFiles(QFile::decodeName(argv[i]))) {
            QByteArray seed;
            if (!readFile(name, &seed))
                return 1;
            const qsizetype found = call(seed);
            if (!reached(found, QFileInfo(name).fileName()))
                return 1;
            ++replayed;
            read += found > 0 ? 1 : 0;
        }
    }
    std::printf("%d seeds replayed, %d of them read\n", replayed, read);
    FuzzTarget::tearDown();
    if (replayed > 0 && read == 0)
        std::fprintf(stderr, "FAIL: no seed gave the target's parsers anything to read\n");
    return read > 0 ? 0 : 1;
}
