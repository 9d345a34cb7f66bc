// Job views without engines: where strips go, what a second start or a clear does, and the
// view's options.

#include "viewtestsupport.h"

#include "encoding/consoledialog.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/mervojobmanagerwidget.h"
#include "encoding/mervominiconsolewidget.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

VEXO_TEST_NEEDS_DISPLAY

namespace {
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
};
VEXO_TEST_CLASS(JobViewLayout)

#include "tst_jobviewlayout.moc"
