// The job manager window under a window manager, as a person works with it: a long queue
// stays within the screen and scrolls to its last job, the window can be made smaller, and
// a modal box of the program opens above it although it stays on top.

#include "viewtestsupport.h"

#include "encoding/mervojobmanagerdialog.h"
#include "gui4/gui4resources.h"
#include "encoding/mervojobmanagerwidget.h"
#include "encoding/mervominiconsolewidget.h"
#include "jobs/infoboxdialog.h"
#include "jobs/mervojobmanager.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

VEXO_TEST_NEEDS_DISPLAY
VEXO_TEST_NEEDS_WINDOW_MANAGER

using namespace WindowTesting;

namespace {
// An owner as the main window is: a menu bar on top, at the screen's top left corner.
struct Owner
{
    Owner()
    {
        window.menuBar()->addMenu("File");
        window.menuBar()->addMenu("Job");
        window.resize(600, 400);
        window.move(0, 0);
        window.show();
    }
    QMainWindow window;
};

// The job manager window beside its owner, shown, its view showing the jobs of a manager as
// they start.
struct QueueWindow
{
    QueueWindow()
    {
        // Placed beside the owner once the window manager has placed the owner.
        exposed = QTest::qWaitForWindowExposed(&owner.window);
        view->setJobManager(&manager);
        QObject::connect(&manager, &MervoJobManager::jobStarted, view, &MervoJobManagerWidget::addJobContainer);
        dialog.show();
    }
    Owner owner;
    MervoJobManager manager{nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0};
    MervoJobManagerDialog dialog{"Job manager", &owner.window};
    MervoJobManagerWidget *view = dialog.mervoView();
    bool exposed = false;
};

} // namespace

class JobManagerWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initGui4Resources(); }

    // Two hundred running jobs: the window opens beside its owner, stops growing at the
    // screen's edge, scrolls down to the last job's abort button, and can be made smaller.
    void longQueueScrollsWithinTheScreen()
    {
        QueueWindow queue;
        Owner &owner = queue.owner;
        MervoJobManager &manager = queue.manager;
        MervoJobManagerDialog &dialog = queue.dialog;
        MervoJobManagerWidget *view = queue.view;
        QVERIFY(queue.exposed);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        const int count = 200;
        for (int i = 1; i <= count; ++i) {
            const QString output = TestMedia::folder() + QString("/queue-%1.avi").arg(i);
            QVERIFY(manager.addEngineJob(TestMedia::fakeEngine(), {"hang"}, output, "Encoding",
                                         QString("Queued job %1").arg(i), QString("FFmpeg"), 0, 60.0));
        }
        QCOMPARE(view->miniConsoles().size(), count);
        const QRect area = availableArea();
        QVERIFY(waitFor([&] { return dialog.frameGeometry().height() > 400; }));
        QVERIFY(area.contains(dialog.frameGeometry()));
        QVERIFY(!dialog.frameGeometry().intersects(screenRect(owner.window.menuBar())));
        QVERIFY(!dialog.frameGeometry().intersects(owner.window.frameGeometry()));

        auto *scroll = dialog.findChild<QScrollArea *>();
        QVERIFY(scroll);
        auto *last = qobject_cast<MervoMiniConsoleWidget *>(view->miniConsoles().last());
        QVERIFY(last->processButton()->isEnabled());
        // Scrolled down to it, the screen shows the last job (its box, titled with its name)
        // there, not the list's top.
        QImage screen;
        QVERIFY(waitFor([&] { return scrolledIntoView(scroll, last, &screen); }));
        QVERIFY(scroll->verticalScrollBar()->value() > 0);
        saveScreenshot(screen.copy(dialog.frameGeometry()), "jobmanager-200-jobs-last");

        // Smaller at the user's wish; the list still reaches its last job.
        dialog.resize(dialog.width(), 300);
        QVERIFY(waitFor([&] { return dialog.height() == 300; }));
        QVERIFY(waitFor([&] { return scrolledIntoView(scroll, last, &screen); }));

        manager.killAll();
        QVERIFY(waitFor([&] { return manager.isIdle(); }));
    }

    // Jobs queued one after another past what the screen shows: each new job comes into view
    // as it is queued, also after the user has scrolled back up with the wheel, and the wheel
    // reaches the last job.
    void newJobsComeIntoView()
    {
        QueueWindow window;
        MervoJobManager &manager = window.manager;
        MervoJobManagerDialog &dialog = window.dialog;
        MervoJobManagerWidget *view = window.view;
        QVERIFY(window.exposed);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *scroll = dialog.findChild<QScrollArea *>();
        QVERIFY(scroll);
        const auto queue = [&](int number) {
            const QString output = TestMedia::folder() + QString("/into-view-%1.avi").arg(number);
            return manager.addEngineJob(TestMedia::fakeEngine(), {"hang"}, output, "Encoding",
                                        QString("Queued job %1").arg(number), QString("FFmpeg"), 0, 60.0);
        };
        // Its box, titled with its name, within the part of the list the window shows.
        const auto inView = [&](QWidget *strip) {
            QWidget *box = strip->parentWidget();
            return screenRect(scroll->viewport()).contains(screenRect(box)) && availableArea().contains(screenRect(box));
        };
        const QPoint middle = scroll->viewport()->mapTo(&dialog, scroll->viewport()->rect().center());
        for (int i = 1; i <= 40; ++i) {
            QVERIFY(queue(i));
            QVERIFY2(waitFor([&] { return inView(view->miniConsoles().last()); }, 5000), qPrintable(QString::number(i)));
            if (i == 30) {
                turnWheel(&dialog, middle, -200);
                QCOMPARE(scroll->verticalScrollBar()->value(), 0);
            }
        }
        turnWheel(&dialog, middle, -200);
        QVERIFY(!inView(view->miniConsoles().last()));
        // Where the user scrolled the list stays as the window changes its size.
        const int viewportHeight = scroll->viewport()->height();
        dialog.resize(dialog.width(), dialog.height() - 100);
        QVERIFY(waitFor([&] { return scroll->viewport()->height() < viewportHeight; }));
        QVERIFY(!waitFor([&] { return scroll->verticalScrollBar()->value() != 0; }, 500));
        turnWheel(&dialog, middle, 200);
        QCOMPARE(scroll->verticalScrollBar()->value(), scroll->verticalScrollBar()->maximum());
        QWidget *last = view->miniConsoles().last();
        QImage screen;
        QVERIFY(waitFor([&] {
            screen = grabScreen();
            return inView(last) && shownAsRendered(last->parentWidget(), screen);
        }));
        saveScreenshot(screen.copy(dialog.frameGeometry()), "jobmanager-wheel-to-last-job");
        // Made smaller than a page of jobs by the user, the window still brings the next job
        // into view.
        QVERIFY(resizeByUser(&dialog, QSize(dialog.width(), 300)));
        QVERIFY(waitFor([&] { return dialog.height() == 300; }));
        turnWheel(&dialog, QPoint(dialog.width() / 2, 100), -200);
        QVERIFY(queue(41));
        QVERIFY(waitFor([&] { return inView(view->miniConsoles().last()); }, 5000));

        manager.killAll();
        QVERIFY(waitFor([&] { return manager.isIdle(); }));
    }

    // Its owner moved or grown under it: the window, kept above, leaves the owner's menus
    // free, as the screen shows.
    void leavesTheOwnersMenusFree_data()
    {
        QTest::addColumn<QPoint>("moveTo");
        QTest::addColumn<QSize>("growTo");
        QTest::newRow("owner moved") << QPoint(400, 0) << QSize();
        QTest::newRow("owner grown") << QPoint() << QSize(1200, 700);
    }
    void leavesTheOwnersMenusFree()
    {
        QFETCH(QPoint, moveTo);
        QFETCH(QSize, growTo);
        Owner owner;
        QVERIFY(QTest::qWaitForWindowExposed(&owner.window));
        MervoJobManagerDialog dialog("Job manager", &owner.window);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QMenuBar *menus = owner.window.menuBar();
        QVERIFY(!dialog.frameGeometry().intersects(screenRect(menus)));
        const QRect before = owner.window.frameGeometry();
        if (growTo.isValid())
            owner.window.resize(growTo);
        else
            owner.window.move(moveTo);
        QVERIFY(waitFor([&] { return owner.window.frameGeometry() != before; }));
        QVERIFY(waitFor([&] { return !dialog.frameGeometry().intersects(screenRect(menus)); }));
        QVERIFY(availableArea().contains(dialog.frameGeometry()));
        QImage screen;
        QVERIFY(waitFor([&] {
            screen = grabScreen();
            return shownAsRendered(menus, screen);
        }));
        saveScreenshot(screen, QString("jobmanager-off-the-menus-") + (growTo.isValid() ? "grown" : "moved"));
    }

    // A modal box of the program over its owner opens above the job manager window, which
    // stays on top again once the box is answered.
    void modalBoxOpensAboveIt()
    {
        Owner owner;
        QVERIFY(QTest::qWaitForWindowExposed(&owner.window));
        MervoJobManagerDialog dialog("Job manager", &owner.window);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(waitFor([&] { return windowManagerStates(dialog.winId()).contains("ABOVE"); }));
        // Moved by the user over the middle of its owner, where the box opens.
        dialog.move(owner.window.frameGeometry().center() - QPoint(dialog.width() / 2, dialog.height() / 2));

        InfoBoxDialog box(&owner.window);
        box.setText("Merge refused: the files do not fit together.");
        box.addButton("Close", QMessageBox::AcceptRole);
        ModalAnswerer answers;
        bool above = false;
        QStringList dialogStates;
        answers.answerWith([&](QWidget *modal) {
            const QList<WId> order = stackingOrder();
            if (!order.contains(modal->winId()) || !modal->isActiveWindow())
                return false;
            dialogStates = windowManagerStates(dialog.winId());
            // Above it in the window manager's stacking, and what the screen shows there.
            above = order.indexOf(modal->winId()) > order.indexOf(dialog.winId())
                && screenRect(modal).intersects(dialog.frameGeometry()) && shownAsRendered(modal);
            saveScreenshot(grabScreen(), "jobmanager-under-modal-box");
            static_cast<QMessageBox *>(modal)->buttons().first()->click();
            return true;
        });
        box.exec();
        QCOMPARE(answers.seen().size(), 1);
        QVERIFY2(above, qPrintable(dialogStates.join(' ')));
        QVERIFY(!dialogStates.contains("ABOVE"));
        QVERIFY(waitFor([&] { return windowManagerStates(dialog.winId()).contains("ABOVE"); }));
    }
};
VEXO_TEST_CLASS(JobManagerWindow)

#include "tst_jobmanagerwindow.moc"
