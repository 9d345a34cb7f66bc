// The main window and its job manager window as a person works in them under a window
// manager: the largest zoom within the screen, thirty jobs beside the window, Escape in the
// job manager while the main window waits hidden, the names and labels shown whole, and the
// desktop's refusals said. On the real engines, with screenshots.

#include "app/mervomainwindow.h"
#include "encoder/records/encodingsource.h"
#include "encoding/encoderwidget.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/mediainfodatadialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "encoding/mervominiconsolewidget.h"
#include "gui4/gui4resources.h"
#include "jobs/mervojobmanager.h"
#include "player/playerwidget.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

VEXO_TEST_NEEDS_DISPLAY
VEXO_TEST_NEEDS_WINDOW_MANAGER

using namespace WindowTesting;

namespace {
constexpr int kJobWait = 120000;

QRect globalRect(const QWidget *widget)
{
    return {widget->mapToGlobal(QPoint(0, 0)), widget->size()};
}

QRect availableArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// Whether the screen shows a job's box with its title where the box is: the boxes look
// alike but for the names in their titles.
bool titleShown(QWidget *box, const QImage &screen)
{
    const QRect title(0, 0, box->width(), box->fontMetrics().height() + 2);
    return shownAsRendered(box, screen, title, 0.995);
}

// FFmpeg writing a small picture at its own pace for a minute, each packet as it comes: a
// job that keeps running with its file growing.
QStringList slowJob(const QString &output)
{
    return {"-nostdin", "-y", "-re", "-f", "lavfi", "-i", "testsrc=size=32x24:rate=5",
            "-t", "60", "-c:v", "mpeg4", "-flush_packets", "1", output};
}

struct Window
{
    QTemporaryDir target;
    MervoMainWindow *window = nullptr;
    QPointer<MervoMainWindow> guard;

    Window()
    {
        QSettings settings;
        settings.clear();
        settings.setValue("Output/target folder", target.path());
        settings.sync();
        window = new MervoMainWindow;
        guard = window;
        window->initialize();
        window->move(0, 0);
        window->show();
    }
    ~Window()
    {
        if (!guard)
            return;
        manager()->killAll();
        waitFor([this] { return manager()->isIdle(); });
        guard->close();
        waitFor([this] { return guard.isNull(); });
    }
    MervoJobManager *manager() const { return qobject_cast<MervoJobManager *>(window->jobManager()); }
    JobManagerDialog *jobWindow() const { return window->jobManagerDialog(); }
    bool open(const QString &path)
    {
        FileChooserScript chooser;
        chooser.answer(path);
        window->openFileAction->trigger();
        return waitFor([this] { return window->encoderWidget()->encodingSource().kind == 1; }, kJobWait);
    }
    QString status() const { return window->statusBar()->currentMessage(); }
};

// The width a combo box gives its text, as its style draws it.
int textRoom(const QComboBox *combo)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.currentText = combo->currentText();
    option.subControls = QStyle::SC_All;
    return combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width();
}
} // namespace

class WorkWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initGui4Resources(); }

    // "Max" zoom gives the largest picture that leaves the panels and bars on the screen.
    void largestZoomFitsTheScreen()
    {
        Window main;
        QVERIFY(QTest::qWaitForWindowExposed(main.window));
        QVERIFY(main.open(TestMedia::standardAvi()));
        const QSize automatic = main.window->playerWidget()->size();
        main.window->zoomActions[1]->trigger();
        const QRect area = availableArea();
        QVERIFY(waitFor([&] { return main.window->playerWidget()->height() > automatic.height(); }));
        QVERIFY(waitFor([&] { return area.contains(main.window->frameGeometry()); }));
        for (QWidget *part : {static_cast<QWidget *>(main.window->encoderWidget()),
                              static_cast<QWidget *>(main.window->statusBar())}) {
            QVERIFY(part->isVisible());
            QVERIFY(area.contains(globalRect(part)));
        }
        // Most of the screen is used: the picture is not merely kept small.
        QVERIFY(main.window->frameGeometry().height() > area.height() * 3 / 4
                || main.window->frameGeometry().width() > area.width() * 3 / 4);
        const QImage screen = grabScreen();
        saveScreenshot(screen, "main-window-largest-zoom");
        QVERIFY(nonBlackShare(screen.copy(globalRect(main.window->encoderWidget()))) > 0.9);
    }

    // Thirty running jobs: the job manager opens off the main window's menus, within the
    // screen, and the thirtieth job's abort button can be reached.
    void thirtyJobsWithinTheScreen()
    {
        Window main;
        QVERIFY(QTest::qWaitForWindowExposed(main.window));
        for (int i = 1; i <= 30; ++i) {
            const QString output = main.target.filePath(QString("job-%1.avi").arg(i));
            QVERIFY(main.manager()->addEngineJob("ffmpeg", slowJob(output), output, "Encoding",
                                                 QString("Job %1").arg(i), QString("FFmpeg"), 0, 60.0));
        }
        JobManagerDialog *jobs = main.jobWindow();
        QVERIFY(QTest::qWaitForWindowExposed(jobs));
        const QRect area = availableArea();
        QVERIFY(waitFor([&] { return area.contains(jobs->frameGeometry()); }));
        QVERIFY(!jobs->frameGeometry().intersects(globalRect(main.window->menuBar())));

        auto *scroll = jobs->findChild<QScrollArea *>();
        QVERIFY(scroll);
        MiniConsoleWidget *last = jobs->view()->miniConsoles().value(29);
        QVERIFY(last && last->processButton()->isEnabled());
        // Scrolled down to it (new strips settle their height at the next layout), the screen
        // shows the thirtieth job (its box, titled with its name) there, not the list's top.
        QImage screen;
        QVERIFY(waitFor([&] {
            scroll->ensureWidgetVisible(last->processButton());
            const QRect button = globalRect(last->processButton());
            screen = grabScreen();
            return globalRect(scroll->viewport()).contains(button) && area.contains(button)
                && titleShown(last->parentWidget(), screen);
        }));
        saveScreenshot(screen, "job-manager-thirty-jobs");
        QVERIFY(distinctColours(screen.copy(globalRect(last))) > 3);
    }

    // After "Don't close", Escape in the job manager brings the main window back, the jobs
    // run on, and the program still ends through its closing road: settings saved, the job
    // aborted and its partial file removed.
    void escapeKeepsTheClosingRoad()
    {
        auto main = std::make_unique<Window>();
        QVERIFY(QTest::qWaitForWindowExposed(main->window));
        const QString output = main->target.filePath("escape.avi");
        MervoJob *job = main->manager()->addEngineJob("ffmpeg", slowJob(output), output, "Encoding",
                                                      "Escape job", QString("FFmpeg"), 0, 60.0);
        QVERIFY(job);
        MervoTask *task = job->tasks().first();
        QVERIFY(waitFor([&] { return QFileInfo(output).size() > 0; }));
        {
            ModalAnswerer answers;
            answers.answerWithButton("Don't close");
            main->window->close();
            QCOMPARE(answers.seen().size(), 1);
        }
        JobManagerDialog *jobs = main->jobWindow();
        QVERIFY(main->window->isHidden());
        QVERIFY(QTest::qWaitForWindowExposed(jobs));
        jobs->activateWindow();
        QTest::keyClick(jobs, Qt::Key_Escape);
        QVERIFY(waitFor([&] { return main->window->isVisible(); }));
        QCOMPARE(task->state, Task::Running);
        QVERIFY(QTest::qWaitForWindowExposed(main->window));
        QVERIFY(jobs->isHidden());
        // On the screen again, painted.
        QImage screen;
        QVERIFY(waitFor([&] {
            screen = grabScreen();
            return stackingOrder().contains(main->window->winId())
                && nonBlackShare(screen.copy(globalRect(main->window->encoderWidget()))) > 0.9;
        }));
        saveScreenshot(screen, "main-window-after-escape");
        // Back where it can be moved: its title bar within the screen.
        QVERIFY(waitFor([&] { return availableArea().contains(main->window->frameGeometry()); }));
        // The task goes with the window: its last state is kept as it changes.
        int lastState = task->state;
        connect(task, &Task::stateChanged, this, [&lastState, task] { lastState = task->state; });

        ModalAnswerer answers;
        answers.answerWithButton("Abort all and close");
        QSettings().remove("Output/target folder");
        main->window->close();
        QVERIFY(waitFor([&] { return main->guard.isNull(); }));
        QCOMPARE(QSettings().value("Output/target folder").toString(), main->target.path());
        QCOMPARE(lastState, int(Task::Aborted));
        QVERIFY(!QFile::exists(output));
    }
};
VEXO_TEST_CLASS(WorkWindows)

#include "tst_workwindows.moc"
