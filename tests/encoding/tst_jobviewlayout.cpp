// Job views without engines: where strips go, what a second start or a clear does, and the
// view's options.

#include "viewtestsupport.h"

#include "encoding/consoledialog.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/mervojobmanagerwidget.h"
#include "encoding/mervominiconsolewidget.h"

#include "encoding/mervojobmanagerdialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <vector>

VEXO_TEST_NEEDS_DISPLAY

namespace {
// A job of one task that never runs, as a view is given it.
struct QueuedJob
{
    explicit QueuedJob(int i)
    {
        auto *task = new MervoTask;
        task->set(&data, "/bin/true", {}, QString(), QString("job %1").arg(i), "Encoding");
        job.init({task}, QString("id%1").arg(i), QString("Job %1").arg(i), "out.avi", nullptr, nullptr, nullptr,
                 nullptr, 2, 0, 0, 0);
    }
    ~QueuedJob() { qDeleteAll(job.tasks()); }
    EncodingTaskData data{1, 10.0, 250, 0.0, 0, QString(), "avi", false, {}};
    MervoJob job;
};

struct PlainTask
{
    explicit PlainTask(const QString &name, int state = Task::Running)
    {
        task.set(&data, "/bin/true", {}, QString(), name, "Encoding");
        job.init(&task, name, name + " job", name + ".avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        task.setPid(state == Task::Running ? 10 : 0);
        task.setState(state);
    }
    EncodingTaskData data{1, 10.0, 250, 0.0, 0, QString(), "avi", false, {}};
    Task task;
    Job job;
};
} // namespace

class JobViewLayout : public QObject
{
    Q_OBJECT

private slots:
    void stripsAndBoxes()
    {
        JobManagerWidget view(nullptr);
        QVERIFY(view.isIdle());
        PlainTask first("first");
        view.addMiniConsole(&first.task);
        view.addMiniConsole(&first.task);
        QCOMPARE(view.miniConsoles().size(), 1);
        QVERIFY(!view.isIdle());
        QVERIFY(view.emptyLabel()->isHidden());
        MiniConsoleWidget *firstMini = view.miniConsoles().first();
        auto *box = qobject_cast<QGroupBox *>(firstMini->parentWidget());
        QVERIFY(box);
        QCOMPARE(first.task.console(), firstMini->console());
        QCOMPARE(firstMini->frameTotal, 250);
        QCOMPARE(firstMini->console()->frameTotal, 250);
        // The data now names the box's layout, so a task built from it joins that box.
        QCOMPARE(JobManagerWidget::consoleLayout(&first.data), box->layout());
        PlainTask follower("follower");
        follower.data = first.data;
        view.addMiniConsole(&follower.task);
        QCOMPARE(view.miniConsoles().at(1)->parentWidget(), box);
        QCOMPARE(view.findChildren<QGroupBox *>().size(), 1);

        view.setConsoleButton(true);
        QVERIFY(view.miniConsoles().at(1)->consoleButton()->isHidden());
        view.show();
        QVERIFY(!ViewTest::screenshot(&view, "jobview-box", box).isEmpty());

        // Removing keeps the task; clear deletes shown and removed strips with their consoles
        // and the box, whose layout the data then no longer names.
        QPointer<ConsoleDialog> removedConsole = firstMini->console();
        QPointer<MiniConsoleWidget> removed = firstMini;
        view.removeMiniConsole(firstMini, true);
        QCOMPARE(first.task.console(), nullptr);
        QVERIFY(view.emptyLabel()->isHidden());
        QVERIFY(removed);
        QPointer<ConsoleDialog> shownConsole = follower.task.console();
        view.clear();
        QVERIFY(!removed && !removedConsole && !shownConsole);
        QCOMPARE(follower.task.console(), nullptr);
        QCOMPARE(JobManagerWidget::consoleLayout(&first.data), nullptr);
        QVERIFY(view.emptyLabel()->isVisible());
        QVERIFY(view.isIdle());
        // A task that starts again after a clear is shown again.
        view.addMiniConsole(&follower.task);
        QCOMPARE(view.miniConsoles().size(), 1);
    }

    void optionsAndTargetLayout()
    {
        QWidget owner;
        auto *ownerLayout = new QVBoxLayout(&owner);
        JobManagerWidget view(nullptr);
        view.flatList = true;
        view.processButtonHidden = true;
        PlainTask flat("flat");
        view.addMiniConsole(&flat.task);
        QVERIFY(view.findChildren<QGroupBox *>().isEmpty());
        QCOMPARE(view.miniConsoles().first()->parentWidget(), &view);
        QVERIFY(view.miniConsoles().first()->processButton()->isHidden());

        PlainTask targeted("targeted");
        JobManagerWidget::setConsoleLayout(&targeted.data, ownerLayout);
        view.flatList = false;
        view.addMiniConsole(&targeted.task);
        QCOMPARE(view.miniConsoles().at(1)->parentWidget(), &owner);
        QCOMPARE(JobManagerWidget::consoleLayout(&targeted.data), ownerLayout);
        QVERIFY(view.findChildren<QGroupBox *>().isEmpty());
        // A data list of seven values takes the layout too.
        EncodingTaskData twoPass{1, 1.0, 1, 0.0, 0, QString(), QString()};
        JobManagerWidget::setConsoleLayout(&twoPass, ownerLayout);
        QCOMPARE(twoPass.size(), 9);
        QCOMPARE(JobManagerWidget::consoleLayout(&twoPass), ownerLayout);
        // A clear deletes the strips of a flat list and those in an owner's layout too, and
        // leaves the owner's layout as it was.
        QList<QPointer<MiniConsoleWidget>> strips;
        for (MiniConsoleWidget *mini : view.miniConsoles())
            strips << mini;
        view.clear();
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(strips.cbegin(), strips.cend(), [](const auto &mini) { return mini.isNull(); }),
                                 WindowTesting::kScreenWait);
        QCOMPARE(ownerLayout->count(), 0);
        QCOMPARE(JobManagerWidget::consoleLayout(&targeted.data), ownerLayout);
    }

    void extendedJobStartedTwice()
    {
        EncodingTaskData data{1, 10.0, 250, 0.0, 0, QString(), "avi", false, {}};
        auto *first = new MervoTask;
        first->set(&data, "/bin/true", {}, QString(), "first", "Encoding");
        auto *second = new MervoTask;
        second->set(&data, "/bin/true", {}, QString(), "second", "Finalizing a long step");
        second->setPrecedingTasks({first});
        MervoJob job;
        job.init({first, second}, "id", "Job", "out.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJobManagerWidget view(nullptr);
        view.addJobContainer(&job);
        view.addJobContainer(&job);
        QCOMPARE(view.miniConsoles().size(), 2);
        auto *mini = qobject_cast<MervoMiniConsoleWidget *>(view.miniConsoles().first());
        QCOMPARE(mini->label()->minimumWidth(),
                 mini->label()->fontMetrics().averageCharWidth() * (int(QString("Finalizing a long step").size()) + 2));
        // A strip of a job that still runs is not removed.
        first->setPid(3);
        first->setState(Task::Running);
        view.removeMervoTaskMiniConsole(mini);
        QCOMPARE(view.miniConsoles().size(), 2);
        // A job whose container exists is not given a second box, and its tip is cut back.
        auto *box = static_cast<QGroupBox *>(job.container);
        box->setToolTip(box->toolTip() + "<br>Job processing time: 00:00:01");
        MervoJob reused;
        auto *third = new MervoTask;
        third->set(&data, "/bin/true", {}, QString(), "third", "Encoding");
        reused.init({third}, "id2", "Reused", "out.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        reused.container = job.container;
        view.addJobContainer(&reused);
        QCOMPARE(view.findChildren<QGroupBox *>().size(), 1);
        QCOMPARE(box->toolTip(), QString("<qt>Output: out.avi"));
        view.updateMervoTaskMiniConsole(nullptr, "00:00:02");
        view.clear();
        QCOMPARE(job.container, nullptr);
        delete first;
        delete second;
        delete third;
    }

    // A long list in the job manager window: a job added lays out its own box, never those
    // before it (squeezed for a moment and stretched back, every box of a thousand would be
    // laid out at each add, or those of its page), and the list brought to it moves what it
    // showed rather than drawing it again; a clear lets go of every job at once and deletes
    // all it made, the widgets of a long list over a few turns of the event loop.
    void longListAddedAndCleared()
    {
        MervoJobManagerDialog dialog("Job manager", nullptr);
        MervoJobManagerWidget *view = dialog.mervoView();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const int bare = int(view->findChildren<QWidget *>().size());
        std::vector<std::unique_ptr<QueuedJob>> jobs;
        const auto add = [&] {
            jobs.push_back(std::make_unique<QueuedJob>(int(jobs.size())));
            view->addJobContainer(&jobs.back()->job);
            auto *box = static_cast<QGroupBox *>(jobs.back()->job.container);
            QTRY_VERIFY_WITH_TIMEOUT(box->isVisible() && box->height() == box->sizeHint().height(), WindowTesting::kScreenWait);
        };
        for (int i = 0; i < 40; ++i)
            add();
        QTRY_COMPARE_WITH_TIMEOUT(view->height(), view->sizeHint().height(), WindowTesting::kScreenWait);
        auto *first = static_cast<QGroupBox *>(jobs.front()->job.container);
        QCOMPARE(first->height(), first->sizeHint().height());
        struct EventCount : QObject
        {
            int resizes = 0;
            int moves = 0;
            int paints = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                resizes += event->type() == QEvent::Resize;
                moves += event->type() == QEvent::Move;
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } seen;
        // The boxes shown before, the last of them in view beside the new one, on its page.
        QList<QGroupBox *> shown;
        for (const auto &queued : jobs)
            shown << static_cast<QGroupBox *>(queued->job.container);
        QTRY_VERIFY_WITH_TIMEOUT(shown.last()->visibleRegion().boundingRect() == shown.last()->rect(),
                                 WindowTesting::kScreenWait);
        QCoreApplication::sendPostedEvents();
        for (QGroupBox *box : shown)
            box->installEventFilter(&seen);
        add();
        QTRY_COMPARE_WITH_TIMEOUT(view->height(), view->sizeHint().height(), WindowTesting::kScreenWait);
        auto *added = static_cast<QGroupBox *>(jobs.back()->job.container);
        QTRY_VERIFY_WITH_TIMEOUT(added->visibleRegion().boundingRect() == added->rect(), WindowTesting::kScreenWait);
        // Neither laid out nor drawn again: the window shows what it showed, moved up.
        QCoreApplication::sendPostedEvents();
        QCOMPARE(seen.resizes, 0);
        QCOMPARE(seen.moves, 0);
        QCOMPARE(seen.paints, 0);
        QCOMPARE(first->height(), first->sizeHint().height());
        for (QGroupBox *box : shown)
            box->removeEventFilter(&seen);
        // A job taken out of the middle: the boxes below move up, and the screen shows the
        // list as it draws itself, with nothing left behind where the list got shorter.
        jobs.at(1)->job.tasks().first()->setState(Task::Completed);
        view->removeMervoTaskMiniConsole(static_cast<MervoMiniConsoleWidget *>(view->miniConsoles().at(1)));
        QCOMPARE(jobs.at(1)->job.container, nullptr);
        QVERIFY(WindowTesting::waitFor([&] {
            return WindowTesting::shownAsRendered(dialog.scrollArea()->viewport(), QImage(), QRect(), 0.995);
        }));

        QList<QPointer<QObject>> made;
        for (MiniConsoleWidget *mini : view->miniConsoles())
            made << mini << mini->console() << mini->parentWidget();
        view->clear();
        QVERIFY(view->miniConsoles().isEmpty());
        QVERIFY(view->emptyLabel()->isVisible());
        for (const auto &queued : jobs) {
            QCOMPARE(queued->job.container, nullptr);
            QCOMPARE(queued->job.tasks().first()->console(), nullptr);
            QCOMPARE(JobManagerWidget::consoleLayout(&queued->data), nullptr);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!view->isClearing(), WindowTesting::kScreenWait);
        QVERIFY(std::all_of(made.cbegin(), made.cend(), [](const QPointer<QObject> &object) { return object.isNull(); }));
        QCOMPARE(int(view->findChildren<QWidget *>().size()), bare);
        // The view takes jobs again as before.
        add();
        QCOMPARE(view->miniConsoles().size(), 1);
    }

    // The manager frees the jobs the view lets go of: one the user removed once it has ended,
    // those of a clear once they have ended too (a running one when its end comes).
    void removedAndClearedJobsAreFreed()
    {
        QTemporaryDir folder;
        RoutedJobView routed;
        MervoJobManager &manager = routed.manager;
        QList<QPointer<MervoJob>> ended;
        for (int i = 0; i < 3; ++i)
            ended << manager.addEngineJob("true", {}, folder.filePath(QString("out%1.avi").arg(i)), "Encoding",
                                          QString("Ended %1").arg(i), QStringLiteral("FFmpeg"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(manager.isIdle(), WindowTesting::kScreenWait);
        QPointer<MervoTask> task = ended.first()->tasks().first();
        void *const container = ended.first()->container;
        QPointer<QWidget> box = static_cast<QWidget *>(container);
        const QList<MiniConsoleWidget *> minis = routed.view.miniConsoles();
        const auto shown = std::find_if(minis.cbegin(), minis.cend(), [&task](MiniConsoleWidget *m) { return m->task() == task; });
        QVERIFY(shown != minis.cend());
        auto *mini = qobject_cast<MervoMiniConsoleWidget *>(*shown);
        routed.view.removeMervoTaskMiniConsole(mini);
        QTRY_VERIFY_WITH_TIMEOUT(ended.first().isNull(), WindowTesting::kScreenWait);
        QVERIFY(task.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(box.isNull(), WindowTesting::kScreenWait);
        QCOMPARE(manager.jobs().size(), 2);
        QCOMPARE(manager.mervoProcesses().size(), 2);
        // A job end that names the deleted box (another job that shared it) reaches nothing.
        routed.view.updateMervoTaskMiniConsole(container, "00:00:01");
        routed.view.resetJobContainerDisplay(container);

        QPointer<MervoJob> running = manager.addEngineJob("sleep", {"30"}, folder.filePath("long.avi"), "Encoding",
                                                          "Running", QStringLiteral("FFmpeg"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(running->tasks().first()->state), int(Task::Running), WindowTesting::kScreenWait);
        routed.view.clear();
        QTRY_VERIFY_WITH_TIMEOUT(ended.at(1).isNull() && ended.at(2).isNull(), WindowTesting::kScreenWait);
        QVERIFY(running);
        QCOMPARE(manager.jobs(), QList<MervoJob *>{running.data()});
        manager.killAll();
        QTRY_VERIFY_WITH_TIMEOUT(running.isNull(), WindowTesting::kScreenWait);
        QVERIFY(manager.jobs().isEmpty() && manager.mervoProcesses().isEmpty());
    }

    // Plain jobs (the Job menu's) are freed too once a view lets go of them and they have
    // ended, in the plain view and in the extended one; a running one when its end comes.
    void plainJobsFreedByTheirViews_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("plain view, strips removed") << false << false;
        QTest::newRow("plain view, cleared") << false << true;
        QTest::newRow("extended view, strips removed") << true << false;
        QTest::newRow("extended view, cleared") << true << true;
    }
    void plainJobsFreedByTheirViews()
    {
        QFETCH(bool, extended);
        QFETCH(bool, cleared);
        std::unique_ptr<JobManager> manager;
        std::unique_ptr<JobManagerWidget> view;
        if (extended) {
            auto mervo = std::make_unique<MervoJobManager>(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
            auto mervoView = std::make_unique<MervoJobManagerWidget>(nullptr);
            mervoView->setJobManager(mervo.get());
            manager = std::move(mervo);
            view = std::move(mervoView);
        } else {
            manager = std::make_unique<JobManager>(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
            view = std::make_unique<JobManagerWidget>(nullptr);
            view->setJobManager(manager.get());
        }
        connect(manager.get(), &JobManager::processStarted, view.get(), &JobManagerWidget::addMiniConsole);
        QList<QPointer<Job>> jobs;
        QList<QPointer<Task>> tasks;
        for (const QString script : {"exit 0", "exec sleep 30"}) {
            auto *task = new Task;
            task->set(nullptr, "/bin/sh", {"-c", script}, QString(), script, "Encoding");
            auto *job = new Job;
            job->init(task, script, script, "out.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
            manager->addJob(job);
            jobs << job;
            tasks << task;
        }
        QTRY_VERIFY(tasks.first()->isFinished());
        QCOMPARE(view->miniConsoles().size(), 2);
        if (cleared) {
            view->clear();
        } else {
            for (MiniConsoleWidget *mini : view->miniConsoles())
                view->removeMiniConsole(mini, true);
        }
        QTRY_VERIFY(jobs.first().isNull());
        QVERIFY(tasks.first().isNull());
        QVERIFY(jobs.last() && tasks.last());
        QCOMPARE(manager->jobs(), QList<Job *>{jobs.last().data()});
        manager->killAll();
        QTRY_VERIFY(jobs.last().isNull());
        QVERIFY(tasks.last().isNull());
        QVERIFY(manager->jobs().isEmpty() && manager->processes().isEmpty() && manager->isIdle());
    }
};
VEXO_TEST_CLASS(JobViewLayout)

#include "tst_jobviewlayout.moc"
