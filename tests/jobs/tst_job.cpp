#include "jobs/job.h"
#include "jobs/mervojob.h"
#include "jobs/mervotask.h"
#include "jobs/task.h"
#include "testregistry.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

// Jobs on their own: what the end of a task means, driven without processes.
class TestJob : public QObject
{
    Q_OBJECT

private slots:
    void initTimeouts_data()
    {
        QTest::addColumn<QList<int>>("given");
        QTest::addColumn<QList<int>>("stored");
        QTest::newRow("zeros take the defaults") << QList<int>{0, 0, 0} << QList<int>{3000, 3000, 5000};
        QTest::newRow("given values kept") << QList<int>{1, 2, 3} << QList<int>{1, 2, 3};
        QTest::newRow("mixed") << QList<int>{0, 7, 0} << QList<int>{3000, 7, 5000};
    }
    void initTimeouts()
    {
        QFETCH(QList<int>, given);
        QFETCH(QList<int>, stored);
        Task task;
        Job job;
        job.init(&task, "id", "title", "out.avi", nullptr, nullptr, nullptr, nullptr, 2,
                 given[0], given[1], given[2]);
        QCOMPARE((QList<int>{job.startTimeout(), job.finishTimeout(), job.killTimeout()}), stored);

        MervoJob mervoJob;
        mervoJob.init({}, "id", "title", "out.avi", nullptr, nullptr, nullptr, nullptr, 2,
                      given[0], given[1], given[2]);
        QCOMPARE((QList<int>{mervoJob.startTimeout(), mervoJob.finishTimeout(),
                             mervoJob.killTimeout()}), stored);
    }

    void initBindsTheTask()
    {
        Task task;
        task.set(nullptr, "p", {}, "", "encode", "Encoding");
        Job job;
        job.init(&task, "20240101-120000-000", "Movie", "movie.avi", nullptr, nullptr, nullptr,
                 nullptr, 2, 0, 0, 0);
        QCOMPARE(task.job, &job);
        QCOMPARE(task.jobId(), QString("20240101-120000-000"));
        QCOMPARE(task.jobTitle(), QString("Movie"));
        QCOMPARE(job.readyTask(), &task);
        task.setState(Task::Running);
        QCOMPARE(job.readyTask(), nullptr);
        QVERIFY(!job.isFinished());
    }

    void taskEnd_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("logLevel");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("outputKept");
        QTest::addColumn<QString>("logText");
        QTest::newRow("terminated, normal") << true << 2 << int(Task::Terminated) << true
                                            << "Job: encode terminated [id-1].";
        QTest::newRow("terminated, quiet") << true << 1 << int(Task::Terminated) << true << "";
        QTest::newRow("aborted, normal") << false << 2 << int(Task::Aborted) << false << "";
        QTest::newRow("aborted, verbose") << false << 3 << int(Task::Aborted) << false
                                          << "Job: encode aborted [id-1].";
    }
    void taskEnd()
    {
        QFETCH(bool, ok);
        QFETCH(int, logLevel);
        QFETCH(int, state);
        QFETCH(bool, outputKept);
        QFETCH(QString, logText);
        QTemporaryDir dir;
        const QString output = dir.filePath("out.avi");
        QFile file(output);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        EncodingTaskData data{2, 0.0, 0, 0.0, 0, output, QString(), false, QVariant()};
        Task task;
        task.set(&data, "p", {}, "", "encode", "Encoding");
        QTextEdit logView;
        Job job;
        job.init(&task, "id-1", "title", "out.avi", nullptr, nullptr, nullptr, &logView,
                 logLevel, 0, 0, 0);
        task.setState(Task::Running);
        QSignalSpy finished(&job, &Job::finished);
        job.taskFinished(&task, ok);
        QCOMPARE(int(task.state), state);
        QCOMPARE(QFile::exists(output), outputKept);
        QCOMPARE(logView.toPlainText(), logText);
        QCOMPARE(finished.count(), 1);
        QVERIFY(job.isFinished());
    }

    void logWithoutViewGoesToDebugOutput()
    {
        Job job;
        job.init(nullptr, "id", "t", "o", nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        QTest::ignoreMessage(QtDebugMsg, "Job Log: a verbose line");
        job.log("a verbose line", 3);
    }

    void mervoJobInitPutsEveryTaskInTheQueue()
    {
        MervoTask first, second;
        QSignalSpy firstChanges(&first, &Task::stateChanged);
        MervoJob job;
        QCOMPARE(job.objectName(), QString("MervoJob"));
        QVERIFY(job.isFinished()); // no tasks
        job.init({&first, &second}, "id", "title", "o", nullptr, nullptr, nullptr, nullptr, 2,
                 0, 0, 0);
        QCOMPARE(firstChanges.count(), 1);
        QCOMPARE(int(first.state), int(Task::Waiting));
        QCOMPARE(int(second.state), int(Task::Waiting));
        QCOMPARE(second.job, &job);
        QVERIFY(!job.isFinished());
        QCOMPARE(job.tasks(), (QList<MervoTask *>{&first, &second}));
    }

    void readyTasks_data()
    {
        QTest::addColumn<int>("firstState");
        QTest::addColumn<QStringList>("ready");
        QTest::newRow("first waits") << int(Task::Waiting) << QStringList{"first"};
        QTest::newRow("first runs") << int(Task::Running) << QStringList{};
        QTest::newRow("first terminated") << int(Task::Terminated) << QStringList{"second", "third"};
        QTest::newRow("first completed") << int(Task::Completed) << QStringList{"second", "third"};
        QTest::newRow("first aborted") << int(Task::Aborted) << QStringList{};
    }
    void readyTasks()
    {
        QFETCH(int, firstState);
        QFETCH(QStringList, ready);
        MervoTask first, second, third;
        first.set(nullptr, "p", {}, "", "first", "l");
        second.set(nullptr, "p", {}, "", "second", "l");
        third.set(nullptr, "p", {}, "", "third", "l");
        second.setPrecedingTasks({&first});
        third.setPrecedingTasks({&first});
        MervoJob job;
        job.init({&first, &second, &third}, "id", "t", "o", nullptr, nullptr, nullptr, nullptr,
                 2, 0, 0, 0);
        first.setState(firstState);
        QStringList names;
        for (MervoTask *task : job.readyTasks())
            names << task->name();
        QCOMPARE(names, ready);
    }

    void mervoJobReportsOnceAtItsEnd()
    {
        MervoTask first, second;
        second.setPrecedingTasks({&first});
        MervoJob job;
        int container = 0;
        job.container = &container;
        job.init({&first, &second}, "id", "t", "o", nullptr, nullptr, nullptr, nullptr, 2, 0,
                 0, 0);
        QSignalSpy plainFinished(&job, &Job::finished);
        QSignalSpy finished(&job, &MervoJob::finished);

        first.setState(Task::Running);
        QTest::qWait(5);
        job.taskFinished(&first, true);
        QCOMPARE(int(first.state), int(Task::Terminated));
        QVERIFY(!first.duration().isEmpty());
        QCOMPARE(plainFinished.count(), 0);
        QCOMPARE(finished.count(), 0);

        second.setState(Task::Running);
        job.taskFinished(&second, true);
        QCOMPARE(plainFinished.count(), 1);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).value<void *>(), static_cast<void *>(&container));
        QCOMPARE(finished.at(0).at(1).toString(), QString("00:00:00"));
        QCOMPARE(job.processingTime, QString("00:00:00"));
    }

    // A follower of a task that ended badly can never run: it is cancelled, so the job
    // still comes to its end and reports it. Followers are found both through the links
    // the builder set on the failed task and through their own preceding tasks.
    void badEndCancelsFollowersAndEndsTheJob_data()
    {
        QTest::addColumn<bool>("followingLinks");
        QTest::newRow("following links set") << true;
        QTest::newRow("only preceding links set") << false;
    }
    void badEndCancelsFollowersAndEndsTheJob()
    {
        QFETCH(bool, followingLinks);
        MervoTask first, second, third;
        second.setPrecedingTasks({&first});
        third.setPrecedingTasks({&second});
        if (followingLinks) {
            first.setFollowingTasks({&second});
            second.setFollowingTasks({&third});
        }
        MervoJob job;
        job.init({&first, &second, &third}, "id", "t", "o", nullptr, nullptr, nullptr, nullptr,
                 2, 0, 0, 0);
        QSignalSpy finished(&job, &MervoJob::finished);
        first.setState(Task::Running);
        job.taskFinished(&first, false);
        QCOMPARE(int(first.state), int(Task::Aborted));
        QCOMPARE(int(second.state), int(Task::Cancelled));
        QCOMPARE(int(third.state), int(Task::Cancelled));
        QCOMPARE(finished.count(), 1);
    }

    void processingTimeText_data()
    {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<int>("accumulated");
        QTest::addColumn<QString>("text");
        QTest::newRow("45 s after 30 s") << qint64(45000) << 30 << "00:01:15";
        QTest::newRow("first millisecond") << qint64(0) << 30 << "";
        QTest::newRow("under a second") << qint64(999) << 0 << "00:00:00";
        QTest::newRow("hours") << qint64(3725000) << 0 << "01:02:05";
        QTest::newRow("accumulated hours") << qint64(1000) << 7199 << "02:00:00";
    }
    void processingTimeText()
    {
        QFETCH(qint64, elapsedMs);
        QFETCH(int, accumulated);
        QFETCH(QString, text);
        QCOMPARE(MervoJob::processingTimeText(elapsedMs, accumulated), text);
    }

    void elapsedSecondsAddsAccumulatedSeconds()
    {
        MervoJob job;
        job.accumulatedSeconds = 30;
        QCOMPARE(job.elapsedSeconds(), 30); // clock never started
        job.init({}, "id", "t", "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        QCOMPARE(job.elapsedSeconds(), 30);
    }
};

VEXO_TEST_CLASS(TestJob)
#include "tst_job.moc"
