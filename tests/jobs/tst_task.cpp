#include "jobs/mervotask.h"
#include "jobs/task.h"
#include "jobtestsupport.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestTask : public QObject
{
    Q_OBJECT

private slots:
    void finishedStates_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("finished");
        const bool expected[] = {true, false, false, false, true, true, true, true, true};
        for (int state = 0; state <= 8; ++state)
            QTest::addRow("state %d", state) << state << expected[state];
    }
    void finishedStates()
    {
        QFETCH(int, state);
        QFETCH(bool, finished);
        Task task;
        task.setState(state);
        QCOMPARE(task.isFinished(), finished);
    }

    void setResetsEverythingSilently()
    {
        Task task;
        EncodingTaskData data{2, 1.5};
        task.set(&data, "a", {"b"}, "/tmp", "first", "Encoding");
        task.setState(Task::Aborted);
        task.setPid(1234);
        task.setConsole(reinterpret_cast<ConsoleDialog *>(&task));
        task.setJob(reinterpret_cast<Job *>(&task), "id", "title");

        QSignalSpy changes(&task, &Task::stateChanged);
        EncodingTaskData other;
        task.set(&other, "/bin/true", {"-x", "y"}, "", "second", "Splitting");
        QCOMPARE(changes.count(), 0);
        QCOMPARE(int(task.state), int(Task::Waiting));
        QCOMPARE(task.taskData, &other);
        QCOMPARE(task.processId(), qint64(0));
        QVERIFY(!task.console() && !task.job && !task.process);
        QVERIFY(task.jobId().isEmpty() && task.jobTitle().isEmpty());
        QCOMPARE(task.name(), QString("second"));
        QCOMPARE(task.text(), QString("Splitting"));
        QCOMPARE(task.commandLine(), QString("/bin/true -x y"));
    }

    void setStateSignalsEvenWhenUnchanged()
    {
        Task task;
        QSignalSpy changes(&task, &Task::stateChanged);
        task.setState(Task::Running);
        task.setState(Task::Running);
        QCOMPARE(changes.count(), 2);
    }

    void shortTaskDataReadsEmpty()
    {
        const EncodingTaskData seven{1, 2.0, 3, 4.0, 0, QString("out"), QString("avi")};
        QCOMPARE(taskDataValue(&seven, TaskDataSlot::OutputPath).toString(), QString("out"));
        QVERIFY(!taskDataValue(&seven, TaskDataSlot::ConsoleLayout).isValid());
        QVERIFY(!taskDataValue(&seven, -1).isValid());
        QVERIFY(!taskDataValue(nullptr, TaskDataSlot::EngineType).isValid());
    }

    // Only a regular file is ever removed: the output of a first pass may be /dev/null,
    // and the tests (like the program) may run as root.
    void removeOutputFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("removed");
        QTest::newRow("regular file") << "file" << true;
        QTest::newRow("missing file") << "missing" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("link to /dev/null") << "devnull" << false;
        QTest::newRow("fifo") << "fifo" << false;
        QTest::newRow("empty path") << "empty" << false;
    }
    void removeOutputFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        QString path = dir.filePath("out.avi");
        if (kind == "file") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (kind == "folder") {
            QVERIFY(QDir().mkdir(path));
        } else if (kind == "devnull") {
            QVERIFY(QFile::link("/dev/null", path));
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "empty") {
            path.clear();
        }
        const bool existed = QFileInfo(path).exists() || QFileInfo(path).isSymLink();
        EncodingTaskData data{2, 0.0, 0, 0.0, 0, path};
        Task task;
        task.set(&data, "p", {}, "", "n", "l");
        QCOMPARE(task.removeOutputFile(), removed);
        const bool present = QFileInfo(path).exists() || QFileInfo(path).isSymLink();
        QCOMPARE(present, existed && !removed);
        QVERIFY(QFileInfo("/dev/null").exists());
    }

    void clockText_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("one minute less a second") << qint64(59) << "00:00:59";
        QTest::newRow("one minute") << qint64(60) << "00:01:00";
        QTest::newRow("one hour less a second") << qint64(3599) << "00:59:59";
        QTest::newRow("3725 s") << qint64(3725) << "01:02:05";
        QTest::newRow("100 hours are not wrapped") << qint64(360000) << "100:00:00";
    }
    void clockText()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(MervoTask::clockText(seconds), text);
    }

    void durationIsMeasuredFromRunningToTerminated()
    {
        MervoTask task;
        task.set(nullptr, "p", {}, "", "n", "l");
        QTest::qWait(30); // time spent waiting does not count
        task.setState(Task::Starting);
        task.setState(Task::Running);
        QVERIFY(task.duration().isEmpty());
        QTest::qWait(20);
        QVERIFY(task.elapsedMinutes() > 0.0);
        QVERIFY(task.elapsedMinutes() < 1.0 / 60); // restarted on Running, not at construction
        task.setState(Task::Terminated);
        QCOMPARE(task.duration(), QString("00:00:00"));
    }

    void abortedRunKeepsEmptyDuration()
    {
        MervoTask task;
        task.setState(Task::Running);
        QTest::qWait(5);
        task.setState(Task::Aborted);
        QVERIFY(task.duration().isEmpty());
    }

    void insertCheckedNeedsPrecedingTasksFirst()
    {
        MervoTask first, second;
        first.set(nullptr, "p", {}, "", "first", "l");
        second.set(nullptr, "p", {}, "", "second", "l");
        second.setPrecedingTasks({&first});
        QList<MervoTask *> list;
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^MervoTask: preceeding task \"first\" not "
                                                "defined for\\s+\"second\"$"));
        QVERIFY(!MervoTask::insertChecked(&second, &list));
        QVERIFY(list.isEmpty());
        QVERIFY(MervoTask::insertChecked(&first, &list));
        QVERIFY(MervoTask::insertChecked(&second, &list));
        QCOMPARE(list, (QList<MervoTask *>{&first, &second}));
    }

    // Waiting followers are cancelled, and theirs too (a follower of a cancelled task can
    // never run); followers in any other state are left alone.
    void abortCancelsWaitingFollowersTransitively()
    {
        MervoTask task, waiting1, waiting2, running, grandchild, doneGrandchild;
        task.setFollowingTasks({&waiting1, &running, &waiting2});
        waiting1.setFollowingTasks({&grandchild});
        running.setFollowingTasks({&doneGrandchild});
        task.setState(Task::Running);
        waiting1.setState(Task::Waiting);
        waiting2.setState(Task::Waiting);
        running.setState(Task::Running);
        grandchild.setState(Task::Waiting);
        doneGrandchild.setState(Task::Waiting);

        QSignalSpy kills(&task, &Task::killProcess);
        QSignalSpy changes(&waiting1, &Task::stateChanged);
        task.abort();
        QCOMPARE(kills.count(), 1);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(int(waiting1.state), int(Task::Cancelled));
        QCOMPARE(int(waiting2.state), int(Task::Cancelled));
        QCOMPARE(int(grandchild.state), int(Task::Cancelled));
        QCOMPARE(int(running.state), int(Task::Running));
        QCOMPARE(int(doneGrandchild.state), int(Task::Waiting));
        // Without a process the abort reaches nobody: the task's own state is unchanged.
        QCOMPARE(int(task.state), int(Task::Running));
    }
};

VEXO_TEST_CLASS(TestTask)
#include "tst_task.moc"
