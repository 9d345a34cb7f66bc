#include "jobtestsupport.h"

#include <sys/stat.h>

using namespace JobTest;

// Tasks and jobs on their own: what the end of a task means, driven without processes.
class TestTask : public QObject
{
    Q_OBJECT

private slots:
    void finishedStates()
    {
        const bool expected[] = {true, false, false, false, true, true, true, true, true};
        Task task;
        for (int state = 0; state <= 8; ++state) {
            task.setState(state);
            QVERIFY2(task.isFinished() == expected[state], qPrintable(QString::number(state)));
        }
    }

    // Only a regular file is ever removed: a first pass may write to /dev/null, and the
    // tests (like the program) may run as root.
    void removeOutputFile()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        QVERIFY(QFile::link("/dev/null", dir.filePath("devnull")));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
        for (const QString name : {"file", "missing", "folder", "devnull", "fifo"}) {
            EncodingTaskData data = outputData(dir.filePath(name));
            Task task;
            task.set(&data, "p", {}, "", "n", "l");
            QCOMPARE(task.removeOutputFile(), name == "file");
            const QFileInfo entry(dir.filePath(name));
            QCOMPARE(entry.exists() || entry.isSymLink(), name != "file" && name != "missing");
        }
        QVERIFY(QFileInfo("/dev/null").exists());
    }

    void insertCheckedNeedsPrecedingTasksFirst()
    {
        MervoTask first, second;
        first.set(nullptr, "p", {}, "", "first", "l");
        second.set(nullptr, "p", {}, "", "second", "l");
        second.setPrecedingTasks({&first});
        QList<MervoTask *> list;
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^MervoTask: preceeding task \"first\" "
                                                            "not defined for\\s+\"second\"$"));
        QVERIFY(!MervoTask::insertChecked(&second, &list));
        QVERIFY(list.isEmpty());
        QVERIFY(MervoTask::insertChecked(&first, &list));
        QVERIFY(MervoTask::insertChecked(&second, &list));
        QCOMPARE(list, (QList<MervoTask *>{&first, &second}));
    }

    // Waiting followers are cancelled, and theirs too; followers in any other state, and
    // their own followers, are left alone.
    void abortCancelsWaitingFollowersTransitively()
    {
        MervoTask task, waiting, running, grandchild, runningsChild;
        task.setFollowingTasks({&waiting, &running});
        waiting.setFollowingTasks({&grandchild});
        running.setFollowingTasks({&runningsChild});
        for (MervoTask *t : {&waiting, &grandchild, &runningsChild})
            t->setState(Task::Waiting);
        task.setState(Task::Running);
        running.setState(Task::Running);
        task.abort();
        QCOMPARE(int(waiting.state), int(Task::Cancelled));
        QCOMPARE(int(grandchild.state), int(Task::Cancelled));
        QCOMPARE(int(running.state), int(Task::Running));
        QCOMPARE(int(runningsChild.state), int(Task::Waiting));
    }

    // A bad end removes the output; the end is logged at level 2 when good, else at 3.
    void taskEnd()
    {
        const struct { bool ok; int logLevel; const char *logText; } rows[] = {
            {true, 2, "Job: encode terminated [id-1]."},
            {false, 2, ""},
            {false, 3, "Job: encode aborted [id-1]."}};
        for (const auto &row : rows) {
            QTemporaryDir dir;
            EncodingTaskData data = outputData(dir.filePath("out.avi"));
            QVERIFY(QFile(data[5].toString()).open(QIODevice::WriteOnly));
            Task task;
            task.set(&data, "p", {}, "", "encode", "Encoding");
            QTextEdit logView;
            std::unique_ptr<Job> job(plainJob(&task, "id-1", &logView, row.logLevel));
            task.setState(Task::Running);
            QSignalSpy finished(job.get(), &Job::finished);
            job->taskFinished(&task, row.ok);
            QCOMPARE(int(task.state), int(row.ok ? Task::Terminated : Task::Aborted));
            QCOMPARE(QFile::exists(data[5].toString()), row.ok);
            QCOMPARE(logView.toPlainText(), QString(row.logText));
            QCOMPARE(finished.count(), 1);
        }
    }

    // A follower is ready once the task it waits for has ended well.
    void readyTasks()
    {
        MervoTask first, second, third;
        second.setPrecedingTasks({&first});
        third.setPrecedingTasks({&first});
        std::unique_ptr<MervoJob> job(mervoJob({&first, &second, &third}));
        QCOMPARE(job->readyTasks(), QList<MervoTask *>{&first});
        first.setState(Task::Running);
        QVERIFY(job->readyTasks().isEmpty());
        first.setState(Task::Completed);
        QCOMPARE(job->readyTasks(), (QList<MervoTask *>{&second, &third}));
    }

    void processingTimeText()
    {
        QCOMPARE(MervoJob::processingTimeText(45000, 30), QString("00:01:15"));
        QCOMPARE(MervoJob::processingTimeText(0, 30), QString()); // ended in the first ms
        QCOMPARE(MervoJob::processingTimeText(1000, 7199), QString("02:00:00"));
        QCOMPARE(MervoJob::processingTimeText(1000, 359999), QString("100:00:00")); // no wrap
    }
};

VEXO_TEST_CLASS(TestTask)
#include "tst_task.moc"
