// Job views watching real engine jobs: strips made at job start, aborting with the user's
// answer, removing, processing times, and the job manager window's kill-on-close.

#include "viewtestsupport.h"
#include "enginetesting.h"

#include "encoding/joboutputrouter.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervojobmanagerdialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "encoding/mervominiconsolewidget.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFile>
#include <QTime>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

#include <functional>

VEXO_TEST_NEEDS_DISPLAY

namespace {
QString sixtySecondClip()
{
    return TestMedia::clip("sixty.avi", {"-f", "lavfi", "-i", "testsrc=duration=60:size=160x120:rate=25",
                                         "-f", "lavfi", "-i", "sine=duration=60", "-c:v", "mpeg4",
                                         "-c:a", "libmp3lame"});
}

// FFmpeg reading at the clip's own pace, so that the task runs for as long as the clip.
QStringList slowEncode(const QString &input, const QString &output)
{
    return {"-nostdin", "-y", "-re", "-i", input, "-c:v", "mpeg4", "-c:a", "libmp3lame", output};
}

MervoTask *ffmpegTask(EncodingTaskData *data, const QStringList &arguments, const QString &name)
{
    auto *task = new MervoTask;
    task->set(data, "ffmpeg", arguments, QString(), name, "Encoding");
    return task;
}

MervoMiniConsoleWidget *strip(JobManagerWidget *view, int index)
{
    return qobject_cast<MervoMiniConsoleWidget *>(view->miniConsoles().value(index));
}

// Answers the abort question with "Abort encoding" once `ended` holds; the file `go` lets the
// task asked about end while the question is open.
void abortOnceEnded(WindowTesting::ModalAnswerer &answers, const QString &go, std::function<bool()> ended)
{
    answers.answerWith([go, ended](QWidget *modal) {
        QFile(go).open(QIODevice::WriteOnly);
        if (!ended())
            return false;
        for (QAbstractButton *button : modal->findChildren<QAbstractButton *>()) {
            if (button->text() == "Abort encoding")
                button->click();
        }
        return true;
    });
}
} // namespace

class JobViewsRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(!sixtySecondClip().isEmpty()); }

    // Both strips at job start; abort with the user's yes; removal of the finished job.
    void twoTaskJobAbortedAndRemoved()
    {
        const QString first = TestMedia::folder() + "/abort-first.avi";
        const QString second = TestMedia::folder() + "/abort-second.mkv";
        EncodingTaskData firstData{2, 60.0, qint64(2000000), 1.33, 0, first, "avi", false, {}};
        EncodingTaskData secondData{2, 60.0, qint64(2000000), 1.33, 1, second, "mkv", false, {}};
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJobManagerDialog dialog(QString(), nullptr);
        MervoJobManagerWidget *view = dialog.mervoView();
        view->setJobManager(&manager);
        routeJobs(&manager, view);
        dialog.show();

        MervoTask *encode = ffmpegTask(&firstData, slowEncode(sixtySecondClip(), first), "Encode <pass> & co");
        MervoTask *remux = ffmpegTask(&secondData, {"-nostdin", "-y", "-i", first, "-c", "copy", second}, "Remux");
        remux->setPrecedingTasks({encode});
        encode->setFollowingTasks({remux});
        auto *job = new MervoJob;
        job->init({encode, remux}, "id", "Two tasks", "abort-second.mkv", nullptr, nullptr, nullptr,
                  nullptr, 2, 0, 0, 0);
        manager.addJob(job);

        QCOMPARE(view->miniConsoles().size(), 2);
        QVERIFY(view->emptyLabel()->isHidden());
        auto *box = qobject_cast<QGroupBox *>(strip(view, 0)->parentWidget());
        QVERIFY(box);
        QCOMPARE(box->objectName(), QString("MultiTaskJob"));
        QCOMPARE(job->container, static_cast<void *>(box));
        QVERIFY(!strip(view, 1)->processButton()->isEnabled());
        QCOMPARE(strip(view, 1)->processButton()->toolTip(), QString("Waiting"));
        QVERIFY(!strip(view, 1)->consoleButton()->isEnabled());
        // FFmpeg's status lines move the console's bar and its strip's alike.
        auto *console = qobject_cast<MervoConsoleDialog *>(strip(view, 0)->console());
        QVERIFY(WindowTesting::waitFor([&] {
            return strip(view, 0)->progressBar()->value() > 1 && strip(view, 0)->speedLabel()->text().endsWith(" fps");
        }, 20000));
        QCOMPARE(console->progressBar()->value(), strip(view, 0)->progressBar()->value());
        QCOMPARE(console->speedLabel()->text(), strip(view, 0)->speedLabel()->text());
        QVERIFY(!ViewTest::screenshot(&dialog, "jobmanager-two-tasks", strip(view, 1)).isEmpty());

        WindowTesting::ModalAnswerer answers;
        answers.answerWithButton("Abort encoding");
        strip(view, 0)->processButton()->click();
        QCOMPARE(answers.seen().size(), 1);
        QVERIFY(answers.seen().at(0).text.contains("<b>Encode &lt;pass&gt; &amp; co</b>"));
        QCOMPARE(answers.seen().at(0).informativeText, QString("This process is part a job which then won't be completed."));
        QVERIFY(WindowTesting::waitFor([&] { return encode->state == Task::Aborted; }));
        QCOMPARE(remux->state, Task::Cancelled);
        QVERIFY(!strip(view, 1)->consoleButton()->isEnabled());
        QVERIFY(!QFile::exists(first));
        QVERIFY(!QFile::exists(second));
        // FFmpeg's own report reached the console even without a progress parse.
        console->flushOutput();
        QVERIFY(console->errorView()->toPlainText().contains("Input #0"));
        QVERIFY(!console->errorView()->toPlainText().contains("frame="));

        // A finished job of two tasks: one question removes both strips and the box.
        answers.answerWithButton("Remove job");
        strip(view, 1)->processButton()->click();
        QCOMPARE(answers.seen().size(), 2);
        QVERIFY(answers.seen().at(1).text.contains("<b>Two tasks</b>"));
        QVERIFY(view->miniConsoles().isEmpty());
        QVERIFY(box->isHidden());
        QVERIFY(view->emptyLabel()->isVisible());
        QCOMPARE(encode->console(), nullptr);
    }

    // A finished one-task job: its box tells the processing time once, it goes without a
    // question, and a failed task's console shows why it failed.
    void finishedJobsAndFailures()
    {
        const QString output = TestMedia::folder() + "/finished.avi";
        EncodingTaskData goodData{2, 3.0, qint64(300000), 1.33, 0, output, "avi", false, {}};
        EncodingTaskData badData{2, 3.0, qint64(300000), 1.33, 0, TestMedia::folder() + "/bad.avi", "avi", false, {}};
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJobManagerDialog dialog(QString(), nullptr);
        MervoJobManagerWidget *view = dialog.mervoView();
        view->setJobManager(&manager);
        routeJobs(&manager, view);
        dialog.show();

        MervoTask *good = ffmpegTask(&goodData, {"-nostdin", "-y", "-i", TestMedia::standardAvi(), "-c:v",
                                                 "mpeg4", "-c:a", "copy", output}, "Good");
        auto *goodJob = new MervoJob;
        goodJob->init({good}, "good", "Good job", "finished.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoTask *bad = ffmpegTask(&badData, {"-nostdin", "-y", "-i", TestMedia::folder() + "/missing.avi",
                                               TestMedia::folder() + "/bad.avi"}, "Bad");
        auto *badJob = new MervoJob;
        badJob->init({bad}, "bad", "Bad job", "bad.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        // An engine that is not there says so, as one that fails says how it ended.
        auto *missing = new MervoTask;
        missing->set(&badData, "/nonexistent/ffmpeg", {}, QString(), "Missing", "Encoding");
        auto *missingJob = new MervoJob;
        missingJob->init({missing}, "missing", "Missing job", "bad.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        manager.addJob(goodJob);
        manager.addJob(badJob);
        manager.addJob(missingJob);
        QVERIFY(WindowTesting::waitFor([&] { return goodJob->isFinished() && badJob->isFinished(); }));
        strip(view, 2)->console()->flushOutput();
        QCOMPARE(strip(view, 2)->console()->errorView()->toPlainText(), QString("Missing: /nonexistent/ffmpeg not found."));
        QCOMPARE(good->state, Task::Completed);
        QCOMPARE(bad->state, Task::Aborted);

        auto *goodBox = qobject_cast<QGroupBox *>(strip(view, 0)->parentWidget());
        QVERIFY(goodBox->objectName().isEmpty());
        QCOMPARE(goodBox->toolTip().count("Output: finished.avi"), 1);
        QCOMPARE(goodBox->toolTip().count("<br>Job processing time: " + goodJob->processingTime), 1);
        QCOMPARE(strip(view, 0)->remainingLabel()->text(), good->duration());
        strip(view, 1)->console()->flushOutput();
        QVERIFY(strip(view, 1)->console()->errorView()->toPlainText().contains("No such file or directory"));
        const QString badConsole = strip(view, 1)->console()->errorView()->toPlainText();
        QVERIFY(badConsole.endsWith("\nBad: exited with code 1.") && badConsole.count("Bad: exited") == 1);

        // A later use of the container cuts the tool tip back to the output.
        view->resetJobContainerDisplay(goodJob->container);
        QCOMPARE(goodBox->toolTip(), QString("<qt>Output: finished.avi"));

        WindowTesting::ModalAnswerer never;
        for (int click = 0; click < 3; ++click)
            strip(view, 0)->processButton()->click();
        QVERIFY(never.seen().isEmpty());
        QVERIFY(view->miniConsoles().isEmpty());
        QVERIFY(view->emptyLabel()->isVisible());
        QVERIFY(QFile::exists(output));
    }

    // A task whose engine ended well on a truncated source but wrote half the length: its
    // strip, beside the red cross, shows an empty bar that says "Failed" with the reason as
    // its tip, no time left and no speed, where the finished
    // task beside it shows a full bar; its cut output left the output's name for one that
    // says it is incomplete, as the log says.
    void failedTaskShowsItFailed()
    {
        RegisteredEngines engines; // the end check measures with them
        QVERIFY(engines.started());
        const QString output = TestMedia::scratch("views", "cut.avi");
        const QString kept = QFileInfo(output).path() + "/cut (incomplete).avi";
        QFile::remove(kept);
        const QString whole = TestMedia::scratch("views", "whole.avi");
        EncodingTaskData cutData{2, 3.0, qint64(300000), 1.33, 0, output, "avi", false, {}};
        EncodingTaskData wholeData{2, 3.0, qint64(300000), 1.33, 0, whole, "avi", false, {}};
        QTextEdit log;
        MervoJobManager manager(nullptr, nullptr, nullptr, &log, 2, 0, 0, 0);
        MervoJobManagerDialog dialog(QString(), nullptr);
        MervoJobManagerWidget *view = dialog.mervoView();
        view->setJobManager(&manager);
        routeJobs(&manager, view);
        dialog.show();
        const QStringList codecs{"-c:v", "mpeg4", "-c:a", "libmp3lame"};
        MervoTask *cut = ffmpegTask(&cutData, QStringList{"-nostdin", "-y", "-i", writeBadMedia("truncated")} + codecs + QStringList{output}, "Cut");
        MervoTask *good = ffmpegTask(&wholeData, QStringList{"-nostdin", "-y", "-i", TestMedia::standardAvi()} + codecs + QStringList{whole}, "Whole");
        // FFmpeg on a full disk says why on its error output, and ends with code 0 all the same.
        const QString fullOutput = TestMedia::scratch("views", "full.avi");
        EncodingTaskData fullData{2, 3.0, qint64(300000), 1.33, 0, fullOutput, "avi", false, {}};
        auto *full = new MervoTask;
        full->set(&fullData, writeEngineScript("full-disk", QString("head -c 30000 '%1' > '%2'\necho 'Error closing file %2: No space left on device' >&2")
                                                                .arg(TestMedia::standardAvi(), fullOutput)), {}, QString(), "Full", "Encoding");
        QList<MervoJob *> jobs;
        for (MervoTask *task : {cut, good, full}) {
            jobs << new MervoJob;
            jobs.last()->init({task}, task->name(), task->name() + " job", "out.avi", nullptr, nullptr, nullptr, &log, 2, 0, 0, 0);
            manager.addJob(jobs.last());
        }
        QVERIFY(WindowTesting::waitFor([&] { return jobs.at(0)->isFinished() && jobs.at(1)->isFinished() && jobs.at(2)->isFinished() && manager.isIdle(); }));
        QVERIFY2(full->failure().endsWith(": No space left on device"), qPrintable(full->failure()));
        QCOMPARE(strip(view, 2)->progressBar()->text(), QString("Failed: No space left on device"));
        QCOMPARE(cut->state, Task::Aborted);
        QVERIFY2(cut->failure().startsWith("its output lasts "), qPrintable(cut->failure()));
        QCOMPARE(good->state, Task::Completed);

        MervoMiniConsoleWidget *failed = strip(view, 0);
        MervoMiniConsoleWidget *done = strip(view, 1);
        QCOMPARE(failed->progressBar()->text(), QString("Failed"));
        QCOMPARE(failed->progressBar()->value(), 0);
        QVERIFY(failed->progressBar()->toolTip().contains(cut->failure()));
        QCOMPARE(failed->speedLabel()->text(), QString("--"));
        QCOMPARE(failed->remainingLabel()->text(), QString("--"));
        QCOMPARE(done->progressBar()->value(), 100);

        // On screen: the failed bar's left part is not drawn as the finished bar's.
        const QString path = ViewTest::screenshot(&dialog, "jobmanager-failed-task", failed->progressBar());
        QVERIFY(!path.isEmpty());
        const QImage shot(path);
        const auto barInside = [&](QProgressBar *bar) {
            const QPoint at = bar->mapTo(&dialog, QPoint(std::max(4, bar->width() / 10), bar->height() / 2));
            return shot.pixelColor(at);
        };
        QVERIFY2(barInside(failed->progressBar()) != barInside(done->progressBar()),
                 qPrintable(barInside(failed->progressBar()).name()));

        QVERIFY(!QFile::exists(output));
        QVERIFY(QFile::exists(kept));
        QVERIFY2(log.toPlainText().contains(QString("Job: Cut output kept as incomplete file %1 [Cut].").arg(kept)),
                 qPrintable(log.toPlainText()));
    }

    // A real MEncoder run: its progress lines fill the console's bar and its strip's alike,
    // by the frame rule, up to 100; its start-up report reaches the console.
    void mencoderProgress()
    {
        const QString clip = TestMedia::clip("ten.avi", {"-f", "lavfi", "-i", "testsrc=duration=10:size=160x120:rate=25",
                                                         "-f", "lavfi", "-i", "sine=duration=10", "-c:v", "mpeg4",
                                                         "-c:a", "libmp3lame"});
        const QString output = TestMedia::folder() + "/mencoder-progress.avi";
        EncodingTaskData data{1, 10.0, 250, 1.33, 0, output, "avi", false, {}};
        RoutedJobView jobs;
        MervoJobManager &manager = jobs.manager;
        MervoJobManagerWidget &view = jobs.view;

        QList<int> percents;
        int mismatches = 0;
        connect(&manager, &MervoJobManager::jobStarted, this, [&](MervoJob *job) {
            auto *console = qobject_cast<MervoConsoleDialog *>(job->tasks().first()->console());
            connect(console, qOverload<int, double, int, int, double, double, int>(&MervoConsoleDialog::progressUpdated),
                    this, [&](int frame, double, int percent) {
                        if (frame <= 0)
                            return;
                        percents.append(percent);
                        const int expected = std::min(100, int(100.0 * frame / 250 + 1));
                        if (percent != expected)
                            ++mismatches;
                    });
        });
        auto *task = new MervoTask;
        task->set(&data, "mencoder", {clip, "-ovc", "lavc", "-oac", "copy", "-o", output}, QString(),
                  "MEncoder run", "Encoding");
        auto *job = new MervoJob;
        job->init({task}, "m", "MEncoder job", "mencoder-progress.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        manager.addJob(job);
        QVERIFY(WindowTesting::waitFor([&] { return job->isFinished(); }));
        QCOMPARE(task->state, Task::Completed);
        QVERIFY(!percents.isEmpty());
        QCOMPARE(mismatches, 0);
        QCOMPARE(percents.last(), 100);
        // The views show the figures a few times a second; in the end the last ones, alike.
        QCOMPARE(strip(&view, 0)->progressBar()->value(), 100);
        auto *console = qobject_cast<MervoConsoleDialog *>(task->console());
        QCOMPARE(console->progressBar()->value(), 100);
        QCOMPARE(strip(&view, 0)->remainingLabel()->text(), console->remainingLabel()->text());
        console->flushOutput();
        QVERIFY(console->standardOutputView()->toPlainText().contains("MEncoder"));
        const QString report = console->standardOutputView()->toPlainText();
        QVERIFY(report.contains("Video stream:"));
        QVERIFY(!report.contains("Pos:"));
        QVERIFY(!ViewTest::screenshot(&view, "mencoder-progress", strip(&view, 0)->progressBar()).isEmpty());
    }

    // An engine's character cut between two reads reaches its console whole, on each channel
    // (each read's text goes on a line of its own).
    void characterCutBetweenReads()
    {
        EncodingTaskData data{1, 1.0, 0, 1.33, 0, QString(), "avi", false, {}};
        RoutedJobView jobs;
        auto *task = new MervoTask;
        task->set(&data, "/bin/sh",
                  {"-c", "printf 'caf\\303'; printf 'x\\342\\202' >&2; sleep 0.4; printf '\\251 ok\\n'; "
                         "printf '\\254 y\\n' >&2"},
                  QString(), "Cut characters", "Encoding");
        auto *job = new MervoJob;
        job->init({task}, "c", "Cut job", "cut.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        jobs.manager.addJob(job);
        QVERIFY(WindowTesting::waitFor([&] { return job->isFinished(); }));
        auto *console = qobject_cast<MervoConsoleDialog *>(task->console());
        QVERIFY(console);
        console->flushOutput();
        QVERIFY2(console->standardOutputView()->toPlainText().contains(QString::fromUtf8("\xc3\xa9 ok")),
                 qPrintable(console->standardOutputView()->toPlainText()));
        QVERIFY2(console->errorView()->toPlainText().contains(QString::fromUtf8("\xe2\x82\xac y")),
                 qPrintable(console->errorView()->toPlainText()));
    }

    // The user confirms the abort of a task that has ended meanwhile and whose follower has
    // started: the abort takes what is left of the job, and nothing of it stays on disk.
    void abortConfirmedAfterTheTaskEnded()
    {
        const QString go = TestMedia::folder() + "/race-go";
        QFile::remove(go);
        const QString output = TestMedia::folder() + "/race-second.avi";
        EncodingTaskData firstData{2, 60.0, 0, 1.33, 0, QString(), "avi", false, {}};
        EncodingTaskData secondData{2, 60.0, qint64(2000000), 1.33, 0, output, "avi", false, {}};
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJobManagerWidget view(nullptr);
        view.setJobManager(&manager);
        routeJobs(&manager, &view);
        view.show();
        auto *first = new MervoTask;
        first->set(&firstData, TestMedia::fakeEngine(), {"wait-for", go}, QString(), "First pass", "Encoding");
        MervoTask *second = ffmpegTask(&secondData, slowEncode(sixtySecondClip(), output), "Second pass");
        second->setPrecedingTasks({first});
        first->setFollowingTasks({second});
        auto *job = new MervoJob;
        job->init({first, second}, "race", "Two passes", "race-second.avi", nullptr, nullptr, nullptr,
                  nullptr, 2, 0, 0, 0);
        manager.addJob(job);
        QCOMPARE(first->state, Task::Running);

        WindowTesting::ModalAnswerer answers;
        bool endedWhileAsked = false;
        // While the question is open the first pass ends well and the second starts.
        abortOnceEnded(answers, go, [&] {
            if (second->state != Task::Running || !QFile::exists(output))
                return false;
            endedWhileAsked = first->state == Task::Completed;
            return true;
        });
        strip(&view, 0)->processButton()->click();
        QCOMPARE(answers.seen().size(), 1);
        QVERIFY(endedWhileAsked);
        QVERIFY(WindowTesting::waitFor([&] { return second->state == Task::Aborted; }));
        QVERIFY(job->isFinished());
        QVERIFY(!QFile::exists(output));
        QVERIFY(!ViewTest::screenshot(&view, "jobview-abort-after-end", strip(&view, 1)).isEmpty());
    }

    // The same race when the follower still waits for another task of the job: it is
    // cancelled, and does not start when that task ends.
    void abortConfirmedBeforeTheFollowerStarts()
    {
        const QString firstGo = TestMedia::folder() + "/waiting-go-1";
        const QString otherGo = TestMedia::folder() + "/waiting-go-2";
        const QString written = TestMedia::folder() + "/waiting-follower.avi";
        for (const QString &path : {firstGo, otherGo, written})
            QFile::remove(path);
        EncodingTaskData data{2, 60.0, 0, 1.33, 0, QString(), "avi", false, {}};
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJobManagerWidget view(nullptr);
        view.setJobManager(&manager);
        routeJobs(&manager, &view);
        view.show();
        const auto fake = [&](const QStringList &arguments, const QString &name) {
            auto *task = new MervoTask;
            task->set(&data, TestMedia::fakeEngine(), arguments, QString(), name, "Encoding");
            return task;
        };
        MervoTask *first = fake({"wait-for", firstGo}, "First");
        MervoTask *other = fake({"wait-for", otherGo}, "Other");
        MervoTask *follower = fake({"touch", written}, "Follower");
        follower->setPrecedingTasks({first, other});
        first->setFollowingTasks({follower});
        other->setFollowingTasks({follower});
        auto *job = new MervoJob;
        job->init({first, other, follower}, "waiting", "Waiting follower", QString(), nullptr, nullptr,
                  nullptr, nullptr, 2, 0, 0, 0);
        manager.addJob(job);
        QCOMPARE(first->state, Task::Running);

        WindowTesting::ModalAnswerer answers;
        abortOnceEnded(answers, firstGo, [&] { return first->state == Task::Completed; });
        strip(&view, 0)->processButton()->click();
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(follower->state, Task::Cancelled);
        QFile(otherGo).open(QIODevice::WriteOnly);
        QVERIFY(WindowTesting::waitFor([&] { return other->state == Task::Completed && manager.isIdle(); }));
        QCOMPARE(follower->state, Task::Cancelled);
        QVERIFY(!QFile::exists(written));
        QVERIFY(!ViewTest::screenshot(&view, "jobview-abort-before-follower", strip(&view, 2)).isEmpty());
    }

    // A finalising job shows its strip in the box of the encoding it finishes: removing the
    // finished encoding's strips leaves the box, so that the finalising step can still be
    // aborted; the box goes with the last strip. For one pass and for two.
    void finalisingStripKeepsTheBox_data()
    {
        QTest::addColumn<int>("passCount");
        QTest::newRow("one pass") << 1;
        QTest::newRow("two passes") << 2;
    }
    void finalisingStripKeepsTheBox()
    {
        QFETCH(int, passCount);
        const QString encoded = TestMedia::folder() + "/box-encoded.avi";
        const QString finalised = TestMedia::folder() + "/box-final.avi";
        EncodingTaskData encodeData{2, 3.0, qint64(300000), 1.33, 0, encoded, "avi", false, {}};
        EncodingTaskData finalData{2, 60.0, 0, 1.33, 1, finalised, finalised, false, {}};
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJobManagerWidget view(nullptr);
        view.setJobManager(&manager);
        routeJobs(&manager, &view);
        view.show();
        const QStringList encodeArguments{"-nostdin", "-y", "-i", TestMedia::standardAvi(), "-c:v",
                                          "mpeg4", "-c:a", "copy", encoded};
        QList<MervoTask *> passes{ffmpegTask(&encodeData, encodeArguments, "Encode")};
        if (passCount == 2) {
            passes.append(ffmpegTask(&encodeData, encodeArguments, "Second pass"));
            passes[1]->setPrecedingTasks({passes[0]});
            passes[0]->setFollowingTasks({passes[1]});
        }
        MervoTask *encode = passes.last();
        auto *encodeJob = new MervoJob;
        encodeJob->init(passes, "encode", "Encoding", "box-encoded.avi", nullptr, nullptr, nullptr, nullptr,
                        2, 0, 0, 0);
        manager.addJob(encodeJob);
        QVERIFY(WindowTesting::waitFor([&] { return encode->state == Task::Completed; }));
        auto *box = qobject_cast<QGroupBox *>(strip(&view, 0)->parentWidget());
        QVERIFY(box);

        // Queued as the encoder panel queues a finalising step: into the encoding's box.
        JobManagerWidget::setConsoleLayout(&finalData, JobManagerWidget::consoleLayout(encode->taskData));
        MervoTask *finalise = ffmpegTask(&finalData, slowEncode(sixtySecondClip(), finalised), "Finalizing");
        auto *finalJob = new MervoJob;
        finalJob->container = encodeJob->container;
        finalJob->init({finalise}, "Finalizing", "Current finalizing process", QString(), nullptr, nullptr,
                       nullptr, nullptr, 2, 0, 0, 0);
        manager.addJob(finalJob);
        QCOMPARE(strip(&view, passCount)->parentWidget(), box);

        {
            // A job of two passes asks first.
            WindowTesting::ModalAnswerer removal;
            removal.answerWithButton("Remove job");
            strip(&view, 0)->processButton()->click();
            QCOMPARE(removal.seen().size(), passCount - 1);
        }
        QCOMPARE(view.miniConsoles().size(), 1);
        QVERIFY(box->isVisible());
        QVERIFY(WindowTesting::waitFor([&] { return strip(&view, 0)->isVisible(); }));
        QVERIFY(strip(&view, 0)->processButton()->isEnabled());
        QVERIFY(!ViewTest::screenshot(&view, QString("jobview-finalising-stays-%1").arg(passCount), strip(&view, 0)).isEmpty());

        WindowTesting::ModalAnswerer answers;
        answers.answerWithButton("Abort encoding");
        strip(&view, 0)->processButton()->click();
        QVERIFY(WindowTesting::waitFor([&] { return finalise->state == Task::Aborted; }));
        strip(&view, 0)->processButton()->click();
        QVERIFY(view.miniConsoles().isEmpty());
        QVERIFY(box->isHidden());
    }

    // Each pass counts its own time: the second pass's elapsed minutes, its time left and its
    // processing time leave out the first pass.
    void eachTaskCountsItsOwnTime()
    {
        EncodingTaskData data{1, 10.0, 250, 1.33, 0, QString(), "avi", false, {}};
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJobManagerWidget view(nullptr);
        view.setJobManager(&manager);
        routeJobs(&manager, &view);
        auto *first = new MervoTask;
        first->set(&data, TestMedia::fakeEngine(), {"progress", "40"}, QString(), "First pass", "Encoding");
        auto *second = new MervoTask;
        second->set(&data, TestMedia::fakeEngine(), {"progress", "10"}, QString(), "Second pass", "Encoding");
        second->setPrecedingTasks({first});
        first->setFollowingTasks({second});
        double mostElapsed = 0.0;
        QElapsedTimer secondClock;
        connect(second, &Task::stateChanged, this, [&] {
            if (second->state == Task::Running)
                secondClock.start();
            auto *console = qobject_cast<MervoConsoleDialog *>(second->console());
            if (console && second->state == Task::Running)
                connect(console, qOverload<int, double, int, int, double, double, int>(&MervoConsoleDialog::progressUpdated),
                        this, [&](int, double, int, int, double, double elapsed) {
                            mostElapsed = std::max(mostElapsed, elapsed);
                        });
        });
        auto *job = new MervoJob;
        job->init({first, second}, "times", "Two passes", QString(), nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        manager.addJob(job);
        QVERIFY(WindowTesting::waitFor([&] { return job->isFinished(); }));
        QCOMPARE(second->state, Task::Completed);
        const qint64 ownMs = secondClock.elapsed();
        QVERIFY(mostElapsed > 0.0);
        QVERIFY2(mostElapsed * 60000.0 <= ownMs + 100, qPrintable(QString::number(mostElapsed * 60000.0)));
        const QTime duration = QTime::fromString(second->duration(), "hh:mm:ss");
        QVERIFY(duration.isValid() && duration.msecsSinceStartOfDay() <= ownMs + 1000);
    }

    // Closing for good kills what runs; closing by the user lets it run and shows the owner.
    void dialogKillOnClose_data()
    {
        QTest::addColumn<bool>("killOnClose");
        QTest::newRow("kill on close") << true;
        QTest::newRow("user closes") << false;
    }
    void dialogKillOnClose()
    {
        QFETCH(bool, killOnClose);
        const QString output = TestMedia::folder() + QString("/close-%1.avi").arg(killOnClose);
        QWidget owner;
        JobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        JobManagerDialog dialog(QString(), &owner);
        QCOMPARE(dialog.windowTitle(), QString("Job manager"));
        dialog.view()->setJobManager(&manager);
        routeJobs(&manager, dialog.view());
        dialog.show();
        Job *job = manager.addEngineJob("ffmpeg", slowEncode(sixtySecondClip(), output), output, "Encoding",
                                        "Close test", QString("FFmpeg"), 2000000, 60.0);
        QVERIFY(job);
        // The cleared view lets go of the job, which the manager frees once it has ended: its
        // task's last state is kept as it changes.
        const QPointer<Task> task = job->task();
        int lastState = task->state;
        connect(task, &Task::stateChanged, this, [&lastState, task] { lastState = task->state; });
        QCOMPARE(dialog.view()->miniConsoles().size(), 1);
        QVERIFY(!dialog.isIdle());
        QVERIFY(WindowTesting::waitFor([&] { return QFileInfo(output).size() > 0; }, 20000));
        QVERIFY(!ViewTest::screenshot(&dialog, QString("jobmanager-close-%1").arg(killOnClose),
                                      dialog.view()->miniConsoles().first()).isEmpty());

        dialog.killOnClose = killOnClose;
        dialog.close();
        QVERIFY(dialog.isHidden());
        if (killOnClose) {
            QVERIFY(WindowTesting::waitFor([&] { return lastState == Task::Aborted; }));
            QVERIFY(!QFile::exists(output));
            QVERIFY(dialog.view()->miniConsoles().isEmpty());
            QVERIFY(dialog.isIdle());
            QVERIFY(WindowTesting::waitFor([&] { return task.isNull() && manager.jobs().isEmpty(); }));
        } else {
            QTest::qWait(500);
            QCOMPARE(task->state, Task::Running);
            QVERIFY(owner.isVisible());
            QCOMPARE(dialog.view()->miniConsoles().size(), 1);
            manager.killAll();
            QVERIFY(WindowTesting::waitFor([&] { return task->state == Task::Aborted; }));
        }
    }
};
VEXO_TEST_CLASS(JobViewsRun)

#include "tst_jobviews.moc"
