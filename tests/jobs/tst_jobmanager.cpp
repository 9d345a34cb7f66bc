#include "jobtestsupport.h"
#include "opendescriptors.h"
#include "testmedia.h"

#include "jobs/outputcheck.h"
#include "jobs/processend.h"
#include "jobs/processkiller.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <ctime>

#include <signal.h>
#include <sys/stat.h>

using namespace JobTest;

// The plain manager with real child processes (small shell scripts and the fake engine).
class TestJobManager : public QObject
{
    Q_OBJECT

private:
    QTextEdit m_log;

    // Whether a folder can be made read-only to this user: as root only the immutable flag
    // (chattr +i) refuses renames and removals in it.
    static bool folderLocks(const QString &folder)
    {
        const QString probe = folder + "/probe";
        if (!QDir().mkpath(probe) || QProcess::execute("chattr", {"+i", probe}) != 0)
            return false;
        const bool locked = !QFile(probe + "/file").open(QIODevice::WriteOnly);
        QProcess::execute("chattr", {"-i", probe});
        QDir(probe).removeRecursively();
        return locked;
    }

    std::unique_ptr<JobManager> makeManager()
    {
        m_log.clear();
        return std::make_unique<JobManager>(nullptr, nullptr, nullptr, &m_log, 2, 0, 0, 0);
    }

private slots:
    // The first program does not exist; the other two still start and run side by side.
    void jobsStartSideBySide()
    {
        auto manager = makeManager();
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        QSignalSpy output(manager.get(), &JobManager::processStdOutReady);
        QSignalSpy errors(manager.get(), &JobManager::processStdErrReady);
        auto *missing = new Task;
        missing->set(nullptr, "/nonexistent/engine", {"-v"}, "", "missing", "Encoding");
        Task *first = scriptTask<Task>("first", "sleep 0.3; echo hello");
        Task *second = scriptTask<Task>("second", "sleep 0.3; echo oops >&2");
        for (Task *task : {missing, first, second})
            manager->addJob(plainJob(task, "id-" + task->name()));
        QCOMPARE(int(missing->state), int(Task::FailedToStart));
        QCOMPARE(m_log.toPlainText(), QString("Failed to start missing [id-missing]: /nonexistent/engine not found.\n"
                                              "Started job: first [id-first].\n"
                                              "Started job: second [id-second]."));
        QVERIFY(!manager->isIdle());
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 10000);
        // Each stream is signalled, for the views to read, with the process that wrote it.
        QCOMPARE(output.count(), 1);
        QCOMPARE(output.at(0).at(0).value<Process *>()->readAllStandardOutput(), "hello\n");
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).value<Process *>()->readAllStandardError(), "oops\n");
    }

    // An engine path that cannot be run, as a user with a wrong one meets it: every job fails
    // to start with the reason, and none keeps a descriptor open. A program that is there, by
    // a path from the job's working directory or by a name in PATH, still starts.
    void programsThatCannotRun_data()
    {
        QTest::addColumn<QString>("program"); // "@" stands for a folder holding the fixtures
        QTest::addColumn<bool>("inFolder");   // run from that folder
        QTest::addColumn<QString>("failure"); // empty: it starts
        QTest::newRow("missing") << "/nonexistent/engine" << false << "%1 not found";
        QTest::newRow("missing name") << "vexo-no-such-engine" << false << "%1 not found";
        QTest::newRow("not executable") << "@/noexec" << false << "%1 is not executable";
        QTest::newRow("a folder") << "@/folder" << false << "%1 is not executable";
        QTest::newRow("relative, not in the working directory") << "bin/missing" << true << "%1 not found";
        QTest::newRow("relative, not executable") << "./noexec" << true << "%1 is not executable";
        QTest::newRow("relative, from the working directory") << "bin/engine" << true << "";
        QTest::newRow("a name in PATH") << "sh" << false << "";
    }
    void programsThatCannotRun()
    {
        QFETCH(QString, program);
        QFETCH(bool, inFolder);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("folder") && QDir(dir.path()).mkpath("bin"));
        for (const char *name : {"noexec", "bin/engine"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\nexit 0\n") > 0);
        }
        QVERIFY(QFile::setPermissions(dir.filePath("bin/engine"), QFile::ReadOwner | QFile::ExeOwner));
        program.replace('@', dir.path());
        auto manager = makeManager();
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        const int before = openDescriptors();
        constexpr int Jobs = 4;
        QList<Task *> tasks;
        for (int i = 0; i < Jobs; ++i) {
            tasks << new Task;
            tasks.last()->set(nullptr, program, {"-c", "exit 0"}, inFolder ? dir.path() : QString(), "engine", "Encoding");
            manager->addJob(plainJob(tasks.last(), QString("id-%1").arg(i)));
        }
        if (failure.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(ended.count(), Jobs, 10000);
        for (const Task *task : tasks) {
            QCOMPARE(int(task->state), int(failure.isEmpty() ? Task::Terminated : Task::FailedToStart));
            QCOMPARE(task->failure(), failure.isEmpty() ? QString() : failure.arg(program));
        }
        QTRY_COMPARE(openDescriptors(), before);
    }

    // A fault of its own crashed an engine; a stop signal (a kill, a logout, Ctrl+C or Ctrl+\\
    // in its terminal) came from outside.
    void crashWarnings()
    {
        QCOMPARE(ProcessEnd::crashWarning("FFprobe", SIGSEGV), QString("Warning: FFprobe process crashed."));
        for (int signal : {SIGTERM, SIGKILL, SIGINT, SIGHUP, SIGQUIT})
            QCOMPARE(ProcessEnd::crashWarning("FFprobe", signal),
                     QString("Warning: FFprobe process was stopped from outside (%1).").arg(ProcessEnd::signalText(signal)));
    }

    // How a process ends, and what it leaves, decide the task's end state and the failure it
    // keeps and logs. A failed run removes only the file it wrote itself; an exit code 0
    // never loses a file, but what a failed one wrote leaves the output's name: renamed as
    // incomplete, else removed (a name with no room for the suffix), and the log says which,
    // or that the file stays where neither can be done (its folder turned read-only).
    void processEnd()
    {
        // "@" in a script stands for the output's folder; `said` is what the log says of the
        // output after "Job: enc output " (empty: nothing).
        const QString longName = QString(245, 'a') + ".avi";
        const struct {
            const char *name, *before, *script; int state; bool kept; const char *failure;
            const char *said = ""; QString output = "out.avi";
        } rows[] = {
            {"written", "", "printf x > \"$1\"", Task::Terminated, true, ""},
            {"written, then exit 1", "", "printf x > \"$1\"; exit 1", Task::Aborted, false, "exited with code 1", "removed"},
            // The reason an engine gives where the user can mend it, said with the failure.
            {"disk full", "", "printf x > \"$1\"; echo 'av_interleaved_write_frame(): No space left on device' >&2; exit 1",
             Task::Aborted, false, "exited with code 1: No space left on device", "removed"},
            // FFmpeg ends with code 0 on a full disk: what it wrote falls short, and says why.
            {"disk full, exit 0", "", ": > \"$1\"; echo 'Error closing file: No space left on device' >&2", Task::Aborted,
             false, "it wrote no output: No space left on device", "kept as incomplete file"},
            {"written whole beside a full disk's warning", "", "printf x > \"$1\"; echo 'No space left on device' >&2",
             Task::Terminated, true, ""},
            {"crash after writing", "", "printf x > \"$1\"; kill -SEGV $$", Task::Aborted, false,
             "killed by signal 11 (Segmentation fault)", "removed"},
            {"another job's file, rewritten, exit 1", "done", "printf x > \"$1\"; exit 1", Task::Aborted, false,
             "exited with code 1", "removed"},
            {"another job's file, untouched, exit 1", "done", "exit 1", Task::Aborted, true, "exited with code 1"},
            {"exit 0 writing nothing", "", "exit 0", Task::Aborted, false, "it wrote no output"},
            {"exit 0 leaving an empty file", "", ": > \"$1\"", Task::Aborted, false, "it wrote no output",
             "kept as incomplete file"},
            {"exit 0 leaving an empty file, no room for the incomplete name", "", ": > \"$1\"", Task::Aborted, false,
             "it wrote no output", "could not be renamed as incomplete, removed", longName},
            {"exit 0 leaving an empty file, folder turned read-only", "", ": > \"$1\"; chattr +i @", Task::Aborted, true,
             "it wrote no output", "could not be removed"},
            {"written, then exit 1, folder turned read-only", "", "printf x > \"$1\"; chattr +i @; exit 1", Task::Aborted,
             true, "exited with code 1", "could not be removed"},
            {"exit 0 leaving another job's file", "done", "exit 0", Task::Terminated, true, ""},
            {"a first pass writing to a device", "", "exit 0", Task::Terminated, true, ""},
        };
        for (const auto &row : rows) {
            QTemporaryDir dir;
            const bool locks = QString(row.script).contains("chattr");
            if (locks && !folderLocks(dir.path())) {
                qWarning("%s: no folder can be made read-only here (root without chattr)", row.name);
                continue;
            }
            const auto unlock = qScopeGuard([&] {
                if (locks)
                    QProcess::execute("chattr", {"-i", dir.path()});
            });
            const bool device = QString(row.name).contains("device");
            EncodingTaskData data = outputData(device ? QString("/dev/null") : dir.filePath(row.output));
            const QString output = data[5].toString();
            if (*row.before) {
                QFile file(output);
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(row.before) > 0);
            }
            auto manager = makeManager();
            QSignalSpy ended(manager.get(), &JobManager::processFinished);
            const QString script = QString(row.script).replace("@", "'" + dir.path() + "'");
            manager->addJob(plainJob(scriptTask<Task>("enc", script, {output}, &data), "id-1", &m_log));
            QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
            const Job *job = manager->jobs().first();
            QVERIFY2(int(job->task()->state) == row.state, row.name);
            QVERIFY2(QFile::exists(output) == row.kept, row.name);
            QCOMPARE(job->failure(), QString(row.failure));
            // The one an engine that exited well wrote is kept under a name that says so.
            const QString incomplete = dir.filePath(QFileInfo(output).completeBaseName() + " (incomplete).avi");
            const QString said = row.said;
            QCOMPARE(QFile::exists(incomplete), said.startsWith("kept"));
            const QString log = m_log.toPlainText();
            QString line = "Job: enc output " + said;
            if (said.startsWith("kept"))
                line += QString(" %1 [id-1].").arg(incomplete);
            else if (said.startsWith("could not be removed"))
                line += QString(", %1 stays [id-1].").arg(output);
            else
                line += " [id-1].";
            QVERIFY2(said.isEmpty() ? !log.contains("Job: enc output") : log.contains(line), qPrintable(row.name + QString(": ") + log));
            const QString failed = QString("Job: enc failed [id-1]: %1.").arg(row.failure);
            QVERIFY2(log.contains(failed) == !QString(row.failure).isEmpty(), qPrintable(log));
        }
    }

    // An output whose picture or sound plays well short of what was asked has failed, with
    // the lengths said, and leaves the output's name for one that says it is incomplete. A
    // stream is held against what its sources lack of it: sound that ends before the picture
    // in a source whose container declares both; the length of a source whose container only
    // estimates it, as its packets measure it; the parts of a merge one after the other; a
    // source whose packets all stop short of what its container declares, as far as they
    // reach. A stream no source has is not judged. A preview, a first pass's statistics, an unknown source length and a
    // file no engine can measure are not judged.
    void outputJudgedAgainstItsSource()
    {
        using L = OutputCheck::Lengths;
        using S = OutputCheck::SourceLengths;
        // Lengths: picture, sound, whole file (-1: none). Each source is declared as `source`
        // says and, when that is an estimate, measured as `played` says.
        const struct {
            const char *name; double duration; bool preview; L measured;
            QStringList sources; S source; L played; int state; const char *failure;
            bool earlierIncomplete = false; // an incomplete output of an earlier run is there
            // Where the output's picture and sound start, then the source's taken sound and its
            // picture, then how long the output holds its first picture (0 unsaid); none: the
            // task names no sound of its source.
            QList<double> starts = {};
        } rows[] = {
            {"cut short", 40.0, false, {28.5, 28.5, -1}, {}, {}, {}, Task::Aborted, "its output lasts 28.5 s of the 40.0 s asked for"},
            {"cut short again", 40.0, false, {28.5, 28.5, -1}, {}, {}, {}, Task::Aborted,
             "its output lasts 28.5 s of the 40.0 s asked for", true},
            {"a tenth short", 10.0, false, {-1, 8.9, -1}, {}, {}, {}, Task::Aborted, "its output lasts 8.9 s of the 10.0 s asked for"},
            {"nothing to play", 40.0, false, {0.0, 0.0, -1}, {}, {}, {}, Task::Aborted, "its output lasts 0.0 s of the 40.0 s asked for"},
            {"long enough", 10.0, false, {9.0, 9.0, -1}, {}, {}, {}, Task::Terminated, ""},
            {"seconds short of a long source", 40.0, false, {37.0, 40.0, -1}, {}, {}, {}, Task::Terminated, ""},
            {"a second short", 5.0, false, {4.0, 4.0, -1}, {}, {}, {}, Task::Terminated, ""},
            {"preview", 40.0, true, {1.0, 1.0, -1}, {}, {}, {}, Task::Terminated, ""},
            {"statistics.stats", 40.0, false, {0.5, 0.5, -1}, {}, {}, {}, Task::Terminated, ""},
            {"unknown source length", 0.0, false, {0.5, 0.5, -1}, {}, {}, {}, Task::Terminated, ""},
            {"not measurable", 40.0, false, {-1, -1, -1}, {}, {}, {}, Task::Terminated, ""},
            {"no player opens it", 40.0, false, {-1, -1, 0.0}, {}, {}, {}, Task::Aborted, "its output lasts 0.0 s of the 40.0 s asked for"},
            {"whole file long enough", 40.0, false, {-1, -1, 39.0}, {}, {}, {}, Task::Terminated, ""},
            // Each stream on its own.
            {"picture stops early", 6.0, false, {2.0, 6.0, -1}, {}, {}, {}, Task::Aborted, "its picture lasts 2.0 s of the 6.0 s asked for"},
            {"sound stops early", 30.0, false, {30.0, 0.13, -1}, {}, {}, {}, Task::Aborted, "its sound lasts 0.1 s of the 30.0 s asked for"},
            {"sound stops early, as in the source", 30.0, false, {30.0, 0.13, -1}, {"source.avi"}, {{30.0, 0.15, 30.0}, false}, {},
             Task::Terminated, ""},
            {"sound alone, as long as the source's", 6.04, false, {-1, 2.0, -1}, {"source.avi"}, {{6.0, 2.0, 6.0}, false}, {},
             Task::Terminated, ""},
            {"sound stops earlier than in the source", 30.0, false, {30.0, 0.13, -1}, {"source.avi"}, {{30.0, 12.0, 30.0}, false}, {},
             Task::Aborted, "its sound lasts 0.1 s of the 12.0 s asked for"},
            {"source as long as asked", 6.0, false, {2.0, 6.0, -1}, {"source.avi"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Aborted, "its picture lasts 2.0 s of the 6.0 s asked for"},
            // Its header claims 3 s; what can be read of it stops at 1.5 s, every stream alike:
            // the output holds all the source holds.
            {"source cut short", 3.04, false, {1.5, 1.5, -1}, {"source.avi"}, {{1.52, 1.515, 1.52}, false}, {},
             Task::Terminated, ""},
            // A fragmented MP4 whose recorder stopped: its header declares 8.07 s, its packets
            // stop at 7.03 s of picture and 5.97 s of sound, or its picture's reach its end.
            {"source's packets stop short of its header", 8.07, false, {7.03, 6.0, -1}, {"source.mp4"},
             {{8.07, 8.07, 8.07}, false}, {7.03, 5.97, -1}, Task::Terminated, ""},
            {"source's sound packets alone stop short", 8.07, false, {8.07, 6.0, -1}, {"source.mp4"},
             {{8.07, 8.07, 8.07}, false}, {8.07, 5.97, -1}, Task::Terminated, ""},
            // A sound whose length is the container's: its packets may tell no times.
            {"source's sound of no length of its own, its packets short", 8.07, false, {8.07, 6.0, -1}, {"source.rm"},
             {{8.07, 8.07, 8.07}, false, true, false}, {8.07, 5.97, -1}, Task::Aborted, "its sound lasts 6.0 s of the 8.1 s asked for"},
            // A VBR MP3 without a header: the player guessed 153 s for 40 s of sound.
            {"estimated source length", 153.0, false, {-1, 40.0, -1}, {"source.mp3"}, {{-1, 64.8, 64.8}, true}, {-1, 40.05, -1},
             Task::Terminated, ""},
            {"estimated source length, output cut", 153.0, false, {-1, 20.0, -1}, {"source.mp3"}, {{-1, 64.8, 64.8}, true},
             {-1, 40.05, -1}, Task::Aborted, "its output lasts 20.0 s of the 40.0 s asked for"},
            {"estimated source longer than asked", 30.0, false, {-1, 20.0, -1}, {"source.mp3"}, {{-1, 64.8, 64.8}, true},
             {-1, 40.0, -1}, Task::Aborted, "its output lasts 20.0 s of the 30.0 s asked for"},
            {"estimated source no engine measures", 153.0, false, {-1, 40.0, -1}, {"source.mp3"}, {{-1, 64.8, 64.8}, true},
             {-1, -1, -1}, Task::Aborted, "its output lasts 40.0 s of the 153.0 s asked for"},
            {"declared source length", 153.0, false, {-1, 40.0, -1}, {"source.mp3"}, {{-1, 153.0, 153.0}, false}, {-1, 153.0, -1},
             Task::Aborted, "its output lasts 40.0 s of the 153.0 s asked for"},
            {"a stream no source has", 6.0, false, {0.04, 6.0, -1}, {"source.mp3"}, {{-1, 6.0, 6.0}, false}, {}, Task::Terminated, ""},
            {"a stream no source has, the other cut", 6.0, false, {0.04, 2.0, -1}, {"source.mp3"}, {{-1, 6.0, 6.0}, false}, {},
             Task::Aborted, "its output lasts 2.0 s of the 6.0 s asked for"},
            {"source no engine reads", 153.0, false, {-1, 40.0, -1}, {"source.mp3"}, {}, {}, Task::Aborted,
             "its output lasts 40.0 s of the 153.0 s asked for"},
            {"source not a file", 153.0, false, {-1, 40.0, -1}, {"folder"}, {{-1, 40.0, 40.0}, true}, {-1, 40.0, -1},
             Task::Aborted, "its output lasts 40.0 s of the 153.0 s asked for"},
            // A DVD title read by MEncoder that kept 0.12 s of its sound.
            {"sound of a DVD folder stops early", 10.0, false, {10.0, 0.12, -1}, {"folder"}, {}, {}, Task::Aborted,
             "its sound lasts 0.1 s of the 10.0 s asked for"},
            // The parts of a merge, one after the other.
            {"parts of a merge", 20.0, false, {20.0, 12.0, -1}, {"part1.avi", "part2.avi"}, {{10.0, 6.0, 10.0}, false}, {},
             Task::Terminated, ""},
            {"parts of a merge, estimated", 20.0, false, {-1, 12.0, -1}, {"part1.mp3", "part2.mp3"}, {{-1, 10.0, 10.0}, true},
             {-1, 6.0, -1}, Task::Terminated, ""},
            {"a part not there", 20.0, false, {20.0, 12.0, -1}, {"part1.avi", "part2.avi", "part3.avi"}, {{10.0, 6.0, 10.0}, false},
             {}, Task::Aborted, "its sound lasts 12.0 s of the 20.0 s asked for"},
            // Picture and sound start as far apart as in the source, the sound a tenth of a
            // second later at most, earlier by as much and an encoder's delay at most.
            {"sound of a transport stream brought forward", 6.0, false, {6.0, 6.0, -1}, {"source.ts"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Aborted, "its sound comes 1.43 s earlier against its picture than in the source", false, {1.44, 0.0, 1.44, 1.43}},
            {"streams of a transport stream kept", 6.0, false, {6.0, 6.0, -1}, {"source.ts"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Terminated, "", false, {1.44, 1.43, 1.44, 1.43}},
            {"sound 0.1 s later", 6.0, false, {6.0, 6.0, -1}, {"source.mp4"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Terminated, "", false, {0.0, 0.1, 0.0, 0.0}},
            {"sound 0.11 s later", 6.0, false, {6.0, 6.0, -1}, {"source.mp4"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Aborted, "its sound comes 0.11 s later against its picture than in the source", false, {0.0, 0.11, 0.0, 0.0}},
            {"sound 0.101 s later", 6.0, false, {6.0, 6.0, -1}, {"source.mp4"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Aborted, "its sound comes 0.10 s later against its picture than in the source", false, {0.0, 0.101, 0.0, 0.0}},
            {"sound after its picture, nearer it than in the source", 6.0, false, {6.0, 6.0, -1}, {"source.mp4"},
             {{6.0, 6.0, 6.0}, false}, {}, Task::Aborted, "its sound comes 0.30 s earlier against its picture than in the source",
             false, {0.0, 0.2, 0.0, 0.5}},
            {"sound 0.15 s earlier", 6.0, false, {6.0, 6.0, -1}, {"source.mp4"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Terminated, "", false, {0.15, 0.0, 0.0, 0.0}},
            {"sound 0.16 s earlier", 6.0, false, {6.0, 6.0, -1}, {"source.mp4"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Aborted, "its sound comes 0.16 s earlier against its picture than in the source", false, {0.16, 0.0, 0.0, 0.0}},
            // An ASF's WMA sound decodes from 0.09 s, its picture from 0.05 s.
            {"sound after the picture as in the source", 6.0, false, {6.0, 6.0, -1}, {"source.asf"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Terminated, "", false, {0.0, 0.07, 0.046, 0.092}},
            {"output that tells no starts", 6.0, false, {6.0, 6.0, -1}, {"source.ts"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Terminated, "", false, {qQNaN(), qQNaN(), 1.44, 1.43}},
            {"source that tells no starts", 6.0, false, {6.0, 6.0, -1}, {"source.ts"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Terminated, "", false, {1.44, 0.0, qQNaN(), qQNaN()}},
            {"out of step, the parts of a merge", 20.0, false, {20.0, 12.0, -1}, {"part1.avi", "part2.avi"}, {{10.0, 6.0, 10.0}, false},
             {}, Task::Terminated, "", false, {1.44, 0.0, 1.44, 1.43}},
            // A source's sound that comes first, its output's picture started with the sound and
            // its first picture held until its own time, as FFmpeg at a constant rate holds it.
            {"sound first, its first picture held as long", 6.0, false, {6.0, 6.0, -1}, {"source.ts"},
             {{6.0, 6.0, 6.0}, false}, {}, Task::Terminated, "", false, {1.4, 1.4, 1.93, 1.4, 0.52}},
            {"sound 0.2 s first, its first picture held as long", 6.0, false, {6.0, 6.0, -1}, {"source.ts"},
             {{6.0, 6.0, 6.0}, false}, {}, Task::Terminated, "", false, {1.4, 1.4, 1.6, 1.4, 0.2}},
            {"sound first, its first picture held too briefly", 6.0, false, {6.0, 6.0, -1}, {"source.ts"},
             {{6.0, 6.0, 6.0}, false}, {}, Task::Aborted, "its sound comes 0.53 s later against its picture than in the source",
             false, {1.4, 1.4, 1.93, 1.4, 0.42}},
            {"sound first, its first picture held too long", 6.0, false, {6.0, 6.0, -1}, {"source.ts"},
             {{6.0, 6.0, 6.0}, false}, {}, Task::Aborted, "its sound comes 0.53 s later against its picture than in the source",
             false, {1.4, 1.4, 1.93, 1.4, 0.69}},
            {"sound brought forward, its first picture held", 6.0, false, {6.0, 6.0, -1}, {"source.ts"},
             {{6.0, 6.0, 6.0}, false}, {}, Task::Aborted, "its sound comes 1.43 s earlier against its picture than in the source",
             false, {1.44, 0.0, 1.44, 1.43, 1.0}},
            // A stream that falls short is told first.
            {"out of step and cut", 6.0, false, {2.0, 6.0, -1}, {"source.ts"}, {{6.0, 6.0, 6.0}, false}, {},
             Task::Aborted, "its picture lasts 2.0 s of the 6.0 s asked for", false, {1.44, 0.0, 1.44, 1.43}},
        };
        static L s_measured, s_played;
        static S s_source;
        static QStringList s_asked;
        static QList<double> s_starts;
        static QStringList s_started;
        const OutputCheck::Meter previous = OutputCheck::setMeter([](const QString &path, double expected) {
            s_asked << QString("%1 %2").arg(QFileInfo(path).fileName()).arg(expected);
            return QFileInfo(path).completeBaseName() == "out" ? s_measured : s_played;
        });
        const OutputCheck::SourceMeter previousSource = OutputCheck::setSourceMeter([](const QString &path) {
            s_asked << QFileInfo(path).fileName();
            return s_source;
        });
        const OutputCheck::StartMeter previousStarts = OutputCheck::setStartMeter([](const QString &path, int track) {
            s_started << QString("%1 %2").arg(QFileInfo(path).fileName()).arg(track);
            const int first = QFileInfo(path).completeBaseName() == "out" ? 0 : 2;
            return s_starts.isEmpty() ? OutputCheck::Starts() : OutputCheck::Starts{s_starts[first], s_starts[first + 1]};
        });
        const OutputCheck::HoldMeter previousHold = OutputCheck::setHoldMeter([](const QString &, double) {
            return s_starts.value(4, 0.0);
        });
        for (const auto &row : rows) {
            QTemporaryDir dir;
            const QString name = QString(row.name).endsWith(".stats") ? row.name : "out.avi";
            EncodingTaskData data{1, row.duration, 0, 0.0, 0, dir.filePath(name), "avi", row.preview, QVariant()};
            s_measured = row.measured;
            s_source = row.source;
            s_played = row.played;
            s_asked.clear();
            s_starts = row.starts;
            s_started.clear();
            // Every source but a third part is there; a "folder" is one.
            QStringList sources;
            for (const QString &source : row.sources) {
                sources << dir.filePath(source);
                if (source == "folder")
                    QVERIFY(QDir(dir.path()).mkdir(source));
                else if (source != "part3.avi")
                    QVERIFY(QFile(dir.filePath(source)).open(QIODevice::WriteOnly));
            }
            if (row.earlierIncomplete)
                QVERIFY(QFile(dir.filePath("out (incomplete).avi")).open(QIODevice::WriteOnly));
            auto manager = makeManager();
            QSignalSpy ended(manager.get(), &JobManager::processFinished);
            Task *task = scriptTask<Task>("enc", "printf x > \"$1\"", {data[5].toString()}, &data);
            task->setSources(sources);
            task->setSoundTrack(row.starts.isEmpty() ? -1 : 1);
            manager->addJob(plainJob(task, "id-1", &m_log));
            QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
            const Job *job = manager->jobs().first();
            QVERIFY2(int(job->task()->state) == row.state, row.name);
            QCOMPARE(job->failure(), QString(row.failure));
            const bool failed = row.state == Task::Aborted;
            QVERIFY2(QFile::exists(data[5].toString()) == !failed, row.name);
            QVERIFY2(QFile::exists(dir.filePath("out (incomplete).avi")) == (failed || row.earlierIncomplete), row.name);
            QVERIFY2(QFile::exists(dir.filePath("out (incomplete) (1).avi")) == (failed && row.earlierIncomplete), row.name);
            // The output is measured first; its sources only for a stream that falls short: an
            // estimated one by its packets, whole, a declared one by its packets up to its
            // longest stream where the output falls short of that too.
            const bool asked = row.duration > 0 && !row.preview && name == "out.avi";
            QVERIFY2(s_asked.value(0) == (asked ? QString("out.avi %1").arg(row.duration) : QString()), row.name);
            const L &declared = row.source.declared;
            const QString longest = QString(" %1").arg(std::max({declared.video, declared.audio, declared.whole}));
            for (const QString &call : s_asked.mid(1))
                QVERIFY2(!call.contains(' ') || call.endsWith(row.source.estimated ? QString(" 0") : longest),
                         qPrintable(s_asked.join(", ")));
            // The starts of a whole output of one source, then of the sound the task took of it.
            QStringList started;
            if (!row.starts.isEmpty() && row.sources.size() == 1 && !QString(row.failure).contains(" lasts "))
                started << "out.avi 0" << (std::isnan(row.starts[0]) ? QStringList() : QStringList{row.sources.first() + " 1"});
            QCOMPARE(s_started, started);
        }
        OutputCheck::setMeter(previous);
        OutputCheck::setSourceMeter(previousSource);
        OutputCheck::setStartMeter(previousStarts);
        OutputCheck::setHoldMeter(previousHold);
    }

    // Only a regular file is ever removed: a first pass may write to /dev/null, and the
    // tests (like the program) may run as root.
    void removeOutputFile()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        QVERIFY(QFile::link("/dev/null", dir.filePath("devnull")));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
        for (const QString name : {"file", "missing", "folder", "devnull", "fifo"}) {
            EncodingTaskData data = outputData(dir.filePath(name));
            Task task;
            task.set(&data, "p", {}, "", "n", "l");
            QFile file(dir.filePath(name));
            if (name == "file") {
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("done") == 4 && file.flush());
                QVERIFY(!task.removeOutputFile()); // a task that never started wrote nothing
            }
            task.noteOutputAtStart();
            if (name == "file")
                QVERIFY(file.write("x") == 1 && file.flush());
            QCOMPARE(task.removeOutputFile(), name == "file");
            const QFileInfo entry(dir.filePath(name));
            QCOMPARE(entry.exists() || entry.isSymLink(), name != "file" && name != "missing");
        }
        QVERIFY(QFileInfo("/dev/null").exists());
    }

    // A manager that goes leaves no child behind. The output of a job that was killed is
    // removed; that of a process that had ended with code 0, its end not yet delivered, stays.
    void destruction()
    {
        for (const bool ended : {false, true}) {
            QTemporaryDir dir;
            EncodingTaskData data = outputData(dir.filePath("out.avi"));
            auto manager = makeManager();
            const QString go = dir.filePath("go"); // the script ends once the test is past addJob
            Task *task = scriptTask<Task>("enc", QString("printf x > \"$1\"; ") +
                                          (ended ? "while [ ! -f \"$2\" ]; do sleep 0.01; done" : "exec sleep 30"),
                                          {data[5].toString(), go}, &data);
            manager->addJob(plainJob(task, "id-1"));
            const pid_t pid = pid_t(task->processId());
            if (ended) { // wait for the end without running the event loop, which has not seen it
                QVERIFY(QFile(go).open(QIODevice::WriteOnly));
                QElapsedTimer clock;
                clock.start();
                while (!hasExited(pid) && clock.elapsed() < 10000)
                    QThread::msleep(10);
                QCOMPARE(int(task->state), int(Task::Running));
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data[5].toString()), 10000);
            }
            manager.reset();
            QCOMPARE(::kill(pid, 0), -1); // gone and reaped
            QCOMPARE(QFile::exists(data[5].toString()), ended);
        }
    }

    // A kill that does not take (an engine stuck in uninterruptible I/O) holds the window
    // no longer than the kill time-out, in "kill all" and when the manager goes; the
    // process is reaped once it ends after all.
    void killThatDoesNotTake()
    {
        auto manager = std::make_unique<JobManager>(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 300);
        Task *task = scriptTask<Task>("stuck", "exec sleep 30");
        manager->addJob(plainJob(task, "id-1"));
        const pid_t pid = pid_t(task->processId());
        const ProcessKiller::KillFunction kill = ProcessKiller::setKillFunction([](QProcess *) {});
        QElapsedTimer clock;
        clock.start();
        manager->killAll();
        QCOMPARE(int(task->state), int(Task::Running));
        manager.reset();
        ProcessKiller::setKillFunction(kill);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(::kill(pid, 0), 0);
        QCOMPARE(::kill(pid, SIGKILL), 0);
        QTRY_COMPARE_WITH_TIMEOUT(::kill(pid, 0), -1, 10000);
    }

    // Many engines that take a while to die (finishing a write) are stopped side by side:
    // "kill all" and a manager that goes wait once for the kill time-out at most, not once
    // per engine.
    void manyEnginesEndTogether_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("kill all") << "kill all";
        QTest::newRow("plain manager goes") << "plain manager goes";
        QTest::newRow("extended manager goes, plain jobs beside") << "extended manager goes";
    }
    void manyEnginesEndTogether()
    {
        QFETCH(QString, how);
        constexpr int Engines = 40, KillTimeout = 5000;
        // Each takes 3 s once asked: in turn, or even in two turns, they take longer than
        // the kill time-out.
        const ProcessKiller::KillFunction kill = ProcessKiller::setKillFunction([](QProcess *p) { p->terminate(); });
        const auto restore = qScopeGuard([kill] { ProcessKiller::setKillFunction(kill); });
        const bool extended = how == "extended manager goes";
        std::unique_ptr<JobManager> manager =
            extended ? std::make_unique<MervoJobManager>(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, KillTimeout)
                     : std::make_unique<JobManager>(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, KillTimeout);
        QList<Task *> tasks;
        QList<pid_t> pids;
        for (int i = 0; i < Engines; ++i) {
            const QString id = QString("id-%1").arg(i);
            if (extended && i % 2 == 0) {
                auto *task = new MervoTask;
                task->set(nullptr, TestMedia::fakeEngine(), {"slow-end", "3"}, QString(), "slow", "Testing");
                static_cast<MervoJobManager *>(manager.get())->addJob(mervoJob({task}, id));
                tasks << task;
            } else {
                auto *task = new Task;
                task->set(nullptr, TestMedia::fakeEngine(), {"slow-end", "3"}, QString(), "slow", "Testing");
                manager->addJob(plainJob(task, id));
                tasks << task;
            }
            QCOMPARE(int(tasks.last()->state), int(Task::Running));
            pids << pid_t(tasks.last()->processId());
        }
        // Each engine has set its trap before it is asked to stop.
        for (Task *task : std::as_const(tasks))
            QTRY_VERIFY_WITH_TIMEOUT(task->process->canReadLine(), 10000);
        QElapsedTimer clock;
        clock.start();
        if (how == "kill all") {
            manager->killAll();
            for (Task *task : std::as_const(tasks))
                QTRY_COMPARE_WITH_TIMEOUT(int(task->state), int(Task::Aborted), KillTimeout);
        } else {
            manager.reset();
        }
        QVERIFY2(clock.elapsed() < KillTimeout, qPrintable(QString::number(clock.elapsed())));
        for (pid_t pid : std::as_const(pids))
            QCOMPARE(::kill(pid, 0), -1); // ended and reaped
    }

    // "Kill all" on many running engines never holds the window long, however much each end
    // costs its views: the ends are handled a slice per turn of the event loop (measured in
    // the thread's processor time, which a busy machine does not stretch), and each task
    // still ends aborted.
    void killAllHoldsNoLongStall_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::addColumn<int>("engines");
        QTest::newRow("plain jobs") << false << 60;
        QTest::newRow("extended jobs") << true << 60;
        QTest::newRow("one plain job") << false << 1;
    }
    void killAllHoldsNoLongStall()
    {
        QFETCH(bool, extended);
        QFETCH(int, engines);
        constexpr double EndCostMs = 3.0, StallMs = 50.0;
        const auto threadMs = [] {
            timespec now{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
            return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
        };
        const auto viewsAtWork = [&threadMs] {
            for (const double until = threadMs() + EndCostMs; threadMs() < until;) {
            }
        };
        std::unique_ptr<JobManager> manager;
        if (extended) {
            auto mervo = std::make_unique<MervoJobManager>(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
            connect(mervo.get(), qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoJobManager::processFinished),
                    this, viewsAtWork);
            manager = std::move(mervo);
        } else {
            manager = makeManager();
            connect(manager.get(), &JobManager::processFinished, this, viewsAtWork);
        }
        QList<Task *> tasks;
        for (int i = 0; i < engines; ++i) {
            if (extended) {
                auto *task = scriptTask<MervoTask>("long", "exec sleep 30");
                static_cast<MervoJobManager *>(manager.get())->addJob(mervoJob({task}, QString::number(i)));
                tasks << task;
            } else {
                tasks << scriptTask<Task>("long", "exec sleep 30");
                manager->addJob(plainJob(tasks.last(), QString::number(i)));
            }
            QCOMPARE(int(tasks.last()->state), int(Task::Running));
        }
        double longest = 0.0, last = threadMs();
        QTimer turns;
        connect(&turns, &QTimer::timeout, [&] {
            const double now = threadMs();
            longest = std::max(longest, now - last);
            last = now;
        });
        turns.start(1);
        last = threadMs();
        manager->killAll();
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(tasks.cbegin(), tasks.cend(),
                                             [](const Task *task) { return task->state == Task::Aborted; }),
                                 10000);
        QVERIFY2(longest < StallMs, qPrintable(QString("%1 ms").arg(longest)));
        QVERIFY(manager->isIdle());
    }

    // The output folder is made, or the job refused; sizes past 2 GiB keep their value; only
    // FFmpeg jobs carry one.
    void addEngineJob()
    {
        QTemporaryDir dir;
        for (const QString engine : {"FFmpeg", "MEncoder"}) {
            const bool ffmpeg = engine == "FFmpeg";
            const QString output = dir.filePath(engine + "/deeper/movie.part1.avi");
            auto manager = makeManager();
            QSignalSpy ended(manager.get(), &JobManager::processFinished);
            Job *job = manager->addEngineJob(Shell, script("printf x > \"$1\"", {output}), output,
                                             "Splitting", "Extract", engine, 5000000000LL, 12.5);
            QVERIFY(job);
            QCOMPARE(job->output(), QString("movie.part1.avi"));
            QCOMPARE(*job->task()->taskData,
                     (EncodingTaskData{ffmpeg ? 2 : 1, 12.5, ffmpeg ? 5000000000LL : 0, 0.0, 0,
                                       output, QString(), false, QVariant()}));
            QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
            QVERIFY(QFile::exists(output));
        }
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        auto manager = makeManager();
        QVERIFY(!manager->addEngineJob(Shell, script("exit 0"), dir.filePath("file/sub/out.avi"),
                                       "Merging", "Merge a + b", QStringLiteral("FFmpeg"), 0, 1.0));
        QVERIFY(manager->jobs().isEmpty());
        QCOMPARE(m_log.toPlainText(), QString("Failed to start job Merge a + b.\nTarget output directory can't be created: %1")
                                          .arg(dir.filePath("file/sub")));
    }
};

VEXO_TEST_CLASS(TestJobManager)
#include "tst_jobmanager.moc"
