// The main window and its job manager window as a person works in them under a window
// manager: the largest zoom within the screen, thirty jobs beside the window, Escape in the
// job manager while the main window waits hidden, the names and labels shown whole, and the
// desktop's refusals said. On the real engines, with screenshots.

#include "app/applicationshell.h"
#include "app/mervomainwindow.h"
#include "encoder/records/encodingsource.h"
#include "encoding/consoledialog.h"
#include "encoding/activecombobox.h"
#include "encoding/encoderwidget.h"
#include "encoding/encoderpreviewdialog.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/mediainfodatadialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "encoding/mervominiconsolewidget.h"
#include "gui4/gui4resources.h"
#include "jobs/mervojobmanager.h"
#include "jobs/openfilelimit.h"
#include "jobs/processkiller.h"
#include "player/playerdialog.h"
#include "player/playerwidget.h"
#include "enginetesting.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QScrollArea>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

#include <algorithm>

#include <signal.h>

VEXO_TEST_NEEDS_DISPLAY
VEXO_TEST_NEEDS_WINDOW_MANAGER

using namespace WindowTesting;

namespace {
constexpr int kJobWait = 120000;

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

    explicit Window(const QString &folder = QString(), const QVariantMap &stored = {})
    {
        QSettings settings;
        settings.clear();
        settings.setValue("Output/target folder", folder.isEmpty() ? target.path() : folder);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            settings.setValue(it.key(), it.value());
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

// Counts the close requests that reach a window.
struct CloseCounter : QObject
{
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Close ? 1 : 0;
        return false;
    }
};

// Runs the shell with a script for its window; returns the exit code.
int runShell(ApplicationShell &shell, std::function<void(MervoMainWindow *)> script)
{
    shell.onWindowShown = [script](MervoMainWindow *window) {
        QTimer::singleShot(0, window, [window, script] { script(window); });
    };
    return shell.run();
}

// The colour most pixels of the image have.
QColor dominantColour(const QImage &image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(most))
            most = it.key();
    return QColor(most);
}

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

    // Every zoom keeps the window on the screen as "Max" does: a picture larger than the room
    // the panels and bars leave is made smaller, its shape kept; the job manager, opened
    // beside the small window and kept above it, leaves the grown window's menus free.
    void everyZoomFitsTheScreen_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("zoom"); // index of the zoom action
        QTest::addColumn<bool>("zoomFirst"); // chosen before the file is opened
        QTest::addColumn<bool>("thenDvd");   // a 16:9 DVD title opened after the zoom
        QTest::newRow("Max") << "" << QSize(320, 240) << 1 << false << false;
        QTest::newRow("720p, 2:1") << "hd720.mp4" << QSize(1280, 720) << 2 << false << false;
        QTest::newRow("1080p, 1:1") << "hd1080.mp4" << QSize(1920, 1080) << 3 << false << false;
        QTest::newRow("1080p, 1:1 chosen before") << "hd1080.mp4" << QSize(1920, 1080) << 3 << true << false;
        QTest::newRow("portrait 1080x1920, 1:1") << "portrait.mp4" << QSize(1080, 1920) << 3 << false << false;
        QTest::newRow("2:1, then a DVD title") << "" << QSize(320, 240) << 2 << false << true;
    }
    void everyZoomFitsTheScreen()
    {
        QFETCH(QString, clip);
        QFETCH(QSize, size);
        QFETCH(int, zoom);
        QFETCH(bool, zoomFirst);
        QFETCH(bool, thenDvd);
        const QString source = clip.isEmpty() ? TestMedia::standardAvi()
            : TestMedia::clip(clip, {"-f", "lavfi", "-i", QString("testsrc=duration=1:rate=25:size=%1x%2")
                                         .arg(size.width()).arg(size.height()),
                                     "-f", "lavfi", "-i", "sine=duration=1", "-c:v", "mpeg4", "-c:a", "aac"});
        // The test DVD's titles last seconds.
        Window main(QString(), {{"Preferences/Player/DVD/ignore short titles", false}});
        QVERIFY(QTest::qWaitForWindowExposed(main.window));
        const QSize automatic = main.window->playerWidget()->size();
        if (zoomFirst)
            main.window->zoomActions[zoom]->trigger();
        QVERIFY(main.open(source));
        main.window->showJobManagerAction->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(main.jobWindow()));
        main.window->zoomActions[zoom]->trigger();
        if (thenDvd) {
            FileChooserScript chooser;
            chooser.answer(TestMedia::languagesDvdFolder());
            main.window->openDvdAction->trigger();
            QVERIFY(waitFor([&] { return main.window->encoderWidget()->encodingSource().kind == 2; }, kJobWait));
        }
        const double aspect = thenDvd ? 16.0 / 9.0 : double(size.width()) / size.height();
        const QRect area = availableArea();
        QVERIFY(waitFor([&] { return main.window->playerWidget()->height() > automatic.height(); }));
        QVERIFY(waitFor([&] { return area.contains(main.window->frameGeometry()); }));
        for (QWidget *part : {static_cast<QWidget *>(main.window->encoderWidget()),
                              static_cast<QWidget *>(main.window->statusBar())}) {
            QVERIFY(part->isVisible());
            QVERIFY(area.contains(screenRect(part)));
        }
        // Most of the screen is used: the picture is not merely kept small, nor squeezed.
        QVERIFY(main.window->frameGeometry().height() > area.height() * 3 / 4
                || main.window->frameGeometry().width() > area.width() * 3 / 4);
        const QSize picture = main.window->playerWidget()->currentRendererSize();
        QVERIFY2(qAbs(double(picture.width()) / picture.height() - aspect) < 0.02,
                 qPrintable(QString("%1x%2").arg(picture.width()).arg(picture.height())));
        QVERIFY(waitFor([&] { return !main.jobWindow()->frameGeometry().intersects(screenRect(main.window->menuBar())); }));
        // The encoder panel below the picture, not where the smaller one ended; on the screen
        // as painted: the menus uncovered, the panel whole.
        QVERIFY(waitFor([&] {
            return main.window->encoderWidget()->geometry().top() > main.window->playerWidget()->geometry().bottom();
        }));
        QImage screen;
        const bool painted = waitFor([&] {
            screen = grabScreen();
            return shownAsRendered(main.window->menuBar(), screen)
                && shownAsRendered(main.window->encoderWidget(), screen)
                && nonBlackShare(screen.copy(screenRect(main.window->encoderWidget()))) > 0.9;
        });
        saveScreenshot(screen, "main-window-zoom-" + QString(QTest::currentDataTag()).replace(QRegularExpression("\\W+"), "-"));
        QVERIFY(painted);
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
        QVERIFY(!jobs->frameGeometry().intersects(screenRect(main.window->menuBar())));

        auto *scroll = jobs->findChild<QScrollArea *>();
        QVERIFY(scroll);
        MiniConsoleWidget *last = jobs->view()->miniConsoles().value(29);
        QVERIFY(last && last->processButton()->isEnabled());
        // Scrolled down to it (new strips settle their height at the next layout), the screen
        // shows the thirtieth job (its box, titled with its name) there, not the list's top.
        QImage screen;
        QVERIFY(waitFor([&] { return scrolledIntoView(scroll, last, &screen); }));
        QVERIFY(area.contains(screenRect(last->processButton())));
        saveScreenshot(screen, "job-manager-thirty-jobs");
        QVERIFY(distinctColours(screen.copy(screenRect(last))) > 3);
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
                && nonBlackShare(screen.copy(screenRect(main->window->encoderWidget()))) > 0.9;
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

    // Closing on 300 running jobs: the engines are ended all at once and awaited together,
    // so the window goes within one kill time-out, each job aborted and its partial output
    // removed, no engine left. Engines stuck in uninterruptible I/O, whose kill does not
    // take, hold the close for that one time-out too, not once per engine.
    void closingOnThreeHundredJobs_data()
    {
        QTest::addColumn<bool>("killTakes");
        QTest::newRow("engines end when killed") << true;
        QTest::newRow("kills that do not take") << false;
    }
    void closingOnThreeHundredJobs()
    {
        QFETCH(bool, killTakes);
        constexpr int Jobs = 300;
        raiseOpenFileLimit();
        // Before the window: after a failed check the window's end still ends the tasks,
        // whose last states are written here.
        QList<int> states(Jobs, -1);
        auto main = std::make_unique<Window>();
        QVERIFY(QTest::qWaitForWindowExposed(main->window));
        const int killTimeout = main->window->preferences().encoder.latencyKill;
        QStringList outputs;
        QList<qint64> engines;
        for (int i = 0; i < Jobs; ++i) {
            outputs << main->target.filePath(QString("job-%1.avi").arg(i));
            MervoJob *job = main->manager()->addEngineJob(
                "/bin/sh", {"-c", "printf x > \"$1\"; exec sleep 600", "sh", outputs.last()}, outputs.last(),
                "Encoding", QString("Job %1").arg(i), QString("FFmpeg"), 0, 600.0);
            QVERIFY(job);
            MervoTask *task = job->tasks().first();
            QCOMPARE(int(task->state), int(Task::Running));
            engines << task->processId();
            connect(task, &Task::stateChanged, this, [&states, i, task] { states[i] = task->state; });
        }
        const auto endEngines = qScopeGuard([&engines] {
            for (qint64 engine : std::as_const(engines))
                ::kill(pid_t(engine), SIGKILL);
        });
        QVERIFY(waitFor([&] {
            return std::all_of(outputs.cbegin(), outputs.cend(), [](const QString &f) { return QFile::exists(f); });
        }));
        const ProcessKiller::KillFunction kill =
            ProcessKiller::setKillFunction(killTakes ? nullptr : ProcessKiller::KillFunction([](QProcess *) {}));
        const auto restore = qScopeGuard([kill] { ProcessKiller::setKillFunction(kill); });
        ModalAnswerer answers;
        answers.answerWithButton("Abort all and close");
        // The close box pressed again while the engines are awaited is held: the close under
        // way goes on alone, neither asking again nor waiting a second time.
        bool pressedAgain = false;
        QTimer again;
        connect(&again, &QTimer::timeout, [&] {
            if (!pressedAgain && answers.seen().size() == 1 && main->guard)
                pressedAgain = pressCloseBox(main->window);
        });
        again.start(20);
        QElapsedTimer clock;
        clock.start();
        main->window->close();
        QVERIFY(waitFor([&] { return main->guard.isNull(); }));
        const qint64 took = clock.elapsed();
        qInfo("Closing on %d running jobs took %lld ms (kill time-out %d ms).", Jobs, took, killTimeout);
        QCOMPARE(answers.seen().size(), 1);
        // Once per engine would be 300 kill time-outs; a loaded machine may stretch one a little.
        QVERIFY2(took < 3 * killTimeout, qPrintable(QString("%1 ms").arg(took)));
        if (!killTakes) {
            QVERIFY(pressedAgain);
            return;
        }
        QCOMPARE(states, QList<int>(Jobs, int(Task::Aborted)));
        for (const QString &output : std::as_const(outputs))
            QVERIFY2(!QFile::exists(output), qPrintable(output));
        for (qint64 engine : std::as_const(engines))
            QCOMPARE(::kill(pid_t(engine), 0), -1);
    }

    // A trial runs while the window answers: from the Job menu or the panel's Start, the
    // window paints, says that the command is checked (also over the menus) and shows the busy
    // cursor, and refuses, saying so, a click or a key that would start something inside the
    // trial or change what it tries. A stalled engine is stopped
    // after a few seconds and refused with the reason; one that moves on slowly is checked to
    // its end and its job queued then; Escape cancels the check and the close box ends the
    // program, each within a second, without a failure box or a job.
    void trialAnswersTheWindow_data()
    {
        QTest::addColumn<QString>("road");   // "menu" (VCD) or "panel" (Start, MP4)
        QTest::addColumn<QString>("engine"); // the trial's: "stalled", "moving", "slow" or "working"
        QTest::addColumn<QString>("answer"); // "", "Escape" or "close box"
        QTest::newRow("menu, stalled engine") << "menu" << "stalled" << "";
        QTest::newRow("menu, close box") << "menu" << "moving" << "close box";
        QTest::newRow("menu, Escape") << "menu" << "moving" << "Escape";
        QTest::newRow("panel, Escape") << "panel" << "moving" << "Escape";
        QTest::newRow("panel, close box") << "panel" << "moving" << "close box";
        QTest::newRow("panel, slow engine") << "panel" << "slow" << "";
        // The real FFmpeg after eleven seconds of work that prints nothing (a busy machine):
        // working is progress, past the ten seconds a stuck engine is given.
        QTest::newRow("panel, engine working silently") << "panel" << "working" << "";
        // The real FFmpeg trying VP8 from a 720p film: seconds of status lines on this machine.
        QTest::newRow("panel, VP8 from 720p") << "panel" << "real" << "";
    }
    void trialAnswersTheWindow()
    {
        QFETCH(QString, road);
        QFETCH(QString, engine);
        QFETCH(QString, answer);
        QTemporaryDir folder;
        const QString started = folder.filePath("trial.started");
        // Its trials (limited by "-fs") write the process id, then stall, move on for ever, or
        // move on for two seconds and are then the real FFmpeg; anything else is.
        const QString moving = "i=0; while [ $i -lt %1 ]; do i=$((i+1)); "
                               "printf 'frame=%d fps=1.0 q=2.0 size=%dkB time=00:00:00.%02d bitrate=8.0kbits/s\\r' $i $i $i >&2; "
                               "sleep 0.2; done";
        const QString working = "end=$(( $(date +%s%N) / 1000000 + 11000 )); "
                                "while [ $(( $(date +%s%N) / 1000000 )) -lt $end ]; do j=0; "
                                "while [ $j -lt 2000 ]; do j=$((j+1)); done; done";
        const QString trial = engine == "stalled" ? QString("exec '%1' hang").arg(TestMedia::fakeEngine())
                              : engine == "moving" ? moving.arg(100000)
                              : engine == "working" ? working
                                                    : moving.arg(10);
        const QString ffmpeg = engine == "real" ? QStandardPaths::findExecutable("ffmpeg") : writeEngineScript(
            "ffmpeg-trial-" + engine,
            QString("case \"$*\" in *\" -fs \"*) echo $$ > '%1'; %2;; esac\nexec /usr/bin/ffmpeg \"$@\"").arg(started, trial));
        const QString source = engine != "real" ? TestMedia::standardAvi()
            : TestMedia::clip("film-720p.mp4", {"-f", "lavfi", "-i", "testsrc=size=1280x720:rate=25:duration=8", "-f", "lavfi",
                                                "-i", "sine=duration=8", "-c:v", "mpeg4", "-q:v", "3", "-c:a", "aac"});
        QSettings settings;
        settings.clear();
        settings.setValue("Output/target folder", folder.path());
        settings.sync();
        // A program that never ends fails here instead of hanging the suite.
        QTimer neverEnds;
        neverEnds.setSingleShot(true);
        connect(&neverEnds, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        neverEnds.start(180000);
        QElapsedTimer clock;
        qint64 answeredAt = -1, trialEnded = -1, closedAt = -1;
        bool queued = false, painted = false, engineRunning = false, clickHeld = false, busy = false;
        QString checking, after, detailed;
        QStringList said;
        int boxes = -1;
        ApplicationShell shell;
        const int code = runShell(shell, [&](MervoMainWindow *window) {
            {
                FileChooserScript chooser;
                chooser.answer(ffmpeg);
                ModalAnswerer readiness;
                window->ffmpegPathAction->trigger();
            }
            {
                FileChooserScript chooser;
                chooser.answer(source);
                window->openFileAction->trigger();
            }
            QVERIFY(waitFor([window] { return window->encoderWidget()->encodingSource().kind == 1; }, kJobWait));
            QVERIFY(QTest::qWaitForWindowExposed(window));
            connect(window, &QObject::destroyed, [&] { closedAt = clock.elapsed(); });
            EncoderWidget *panel = window->encoderWidget();
            if (road == "panel") {
                const int entry = panel->formatCombo()->findData(engine == "real" ? "webm" : "mp4");
                QVERIFY(entry >= 0);
                panel->formatCombo()->setCurrentIndex(entry);
                emit panel->formatCombo()->activated(entry);
            }
            ModalAnswerer answerer;
            answerer.answerWith([&](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                detailed = box ? box->detailedText() : QString();
                modal->close();
                return true;
            });
            auto *preview = panel->findChild<QCheckBox *>();
            QTimer watch;
            connect(&watch, &QTimer::timeout, [&] {
                // The real engine's trial is under way once the window says so.
                const bool real = engine == "real";
                if (answeredAt >= 0 || (real ? window->statusBar()->currentMessage().isEmpty() : QFileInfo(started).size() == 0))
                    return;
                answeredAt = clock.elapsed();
                QFile pidFile(started);
                const pid_t process = pidFile.open(QIODevice::ReadOnly) ? pid_t(pidFile.readAll().trimmed().toInt()) : 0;
                engineRunning = real || (process > 0 && ::kill(process, 0) == 0);
                const QCursor *cursor = QGuiApplication::overrideCursor();
                busy = cursor && cursor->shape() == Qt::BusyCursor;
                // What the status bar says is on the screen: the window repaints.
                QImage screen;
                painted = waitFor([&] {
                    checking = window->statusBar()->currentMessage();
                    screen = grabScreen();
                    return !checking.isEmpty() && shownAsRendered(window->statusBar(), screen);
                }, 10000);
                saveScreenshot(screen, "main-window-during-trial-" + QString(QTest::currentDataTag()).replace(", ", "-").replace(' ', '-'));
                const auto shown = [window] {
                    const QString message = window->statusBar()->currentMessage();
                    return message.isEmpty() ? window->statusLabel()->text() : message;
                };
                // Over the menus (whose entries say there what they do) it still says so.
                QMenuBar *menus = window->menuBar();
                const QPoint jobTitle = menus->actionGeometry(menus->actions().at(1)).center();
                for (QAction *title : menus->actions().mid(0, 2))
                    QTest::mouseMove(menus, menus->actionGeometry(title).center());
                said << shown();
                // A click or a key meanwhile is refused, and says so: it would start something
                // inside the trial (a menu's job, a preview), or change what it tries (the target).
                const bool previewBefore = preview->isChecked();
                const QPoint box(5, preview->height() / 2);
                QTest::mousePress(preview, Qt::LeftButton, {}, box);
                clickHeld = !preview->isDown();
                QTest::mouseRelease(preview, Qt::LeftButton, {}, box);
                clickHeld = clickHeld && preview->isChecked() == previewBefore;
                said << shown();
                window->statusBar()->clearMessage();
                QTest::mouseClick(menus, Qt::LeftButton, {}, jobTitle);
                clickHeld = clickHeld && !QApplication::activePopupWidget();
                said << shown();
                window->statusBar()->clearMessage();
                // A modifier alone asks for nothing.
                QTest::keyClick(panel->formatCombo(), Qt::Key_Shift);
                said << shown();
                const int target = panel->formatCombo()->currentIndex();
                QTest::keyClick(panel->formatCombo(), Qt::Key_Down);
                clickHeld = clickHeld && panel->formatCombo()->currentIndex() == target;
                said << shown();
                answeredAt = clock.elapsed();
                if (answer == "Escape")
                    QTest::keyClick(window, Qt::Key_Escape);
                else if (answer == "close box")
                    QVERIFY(pressCloseBox(window));
            });
            watch.start(20);
            clock.start();
            if (road == "menu")
                window->encodeVcdAction->trigger();
            else
                panel->startButton()->click();
            trialEnded = clock.elapsed();
            watch.stop();
            said << window->statusLabel()->text();
            queued = !qobject_cast<MervoJobManager *>(window->jobManager())->jobs().isEmpty();
            boxes = answerer.seen().size();
            after = window->statusBar()->currentMessage();
            busy = busy && !QGuiApplication::overrideCursor();
            if (engine == "real")
                window->jobManager()->killAll();
            QVERIFY(waitFor([window] { return window->jobManager()->isIdle(); }, kJobWait));
            if (answer != "close box")
                window->close();
        });
        QCOMPARE(code, 0);
        QVERIFY(answeredAt >= 0 && engineRunning);
        QVERIFY(clickHeld);
        QVERIFY(busy);
        QVERIFY(painted);
        QCOMPARE(checking, QString("Checking the command with FFmpeg... (Esc cancels)"));
        const QString refused = "Still checking the command with FFmpeg: nothing else can be done until the check "
                                "ends (Esc cancels it).";
        QCOMPARE(said, QStringList({checking, refused, refused, checking, refused, "Ready"}));
        QCOMPARE(queued, engine == "slow" || engine == "real" || engine == "working");
        if (engine == "stalled") {
            QVERIFY2(trialEnded < 30000, qPrintable(QString::number(trialEnded)));
            QCOMPARE(boxes, 1);
            QVERIFY2(detailed.contains("The FFmpeg engine made no progress for 10 seconds and was stopped."),
                     qPrintable(detailed));
            return;
        }
        QCOMPARE(boxes, 0);
        if (answer.isEmpty()) {
            qInfo("The trial took %lld ms.", trialEnded);
            return;
        }
        QVERIFY2(trialEnded - answeredAt < 1000, qPrintable(QString::number(trialEnded - answeredAt)));
        if (answer == "close box")
            QVERIFY2(closedAt >= 0 && closedAt - answeredAt < 1000, qPrintable(QString::number(closedAt - answeredAt)));
        else if (road == "menu")
            QCOMPARE(after, QString("Encoding job has been cancelled"));
    }
};
VEXO_TEST_CLASS(WorkWindows)

class NamesAndEnds : public QObject
{
    Q_OBJECT

    QString m_clip;

private slots:
    void initTestCase()
    {
        initGui4Resources();
        // NTSC rate and AC-3 sound: the longest track texts the lists show.
        m_clip = TestMedia::clip("ntsc-ac3.mp4", {"-f", "lavfi", "-i", "testsrc=duration=3:size=320x240:rate=30000/1001",
                                                  "-f", "lavfi", "-i", "sine=duration=3", "-ac", "2", "-c:v", "mpeg4",
                                                  "-c:a", "ac3"});
        QVERIFY(!m_clip.isEmpty());
    }

    // The track and target lists show their texts whole, and "Media informations" opens at
    // a size that shows the report's lines whole, many of them, within the screen.
    void labelsAndReportWhole()
    {
        Window main;
        QVERIFY(QTest::qWaitForWindowExposed(main.window));
        QVERIFY(main.open(m_clip));
        // The codec lists too.
        for (QPushButton *button : main.window->encoderWidget()->findChildren<QPushButton *>()) {
            if (button->text() == "Codecs")
                button->click();
        }
        QVERIFY(main.window->encoderWidget()->codecBar()->isVisible());
        // Whole as the lists lay out their texts, and as the screen shows them, for every
        // output format and its codecs.
        QStringList cut;
        QImage screen;
        const auto allWhole = [&] {
            cut.clear();
            screen = grabScreen();
            for (QComboBox *combo : main.window->findChildren<QComboBox *>()) {
                if (!combo->isVisible())
                    continue;
                if (textRoom(combo) < combo->fontMetrics().horizontalAdvance(combo->currentText())
                    || !shownAsRendered(combo, screen, QRect(), 0.99))
                    cut << combo->currentText();
            }
            return cut.isEmpty();
        };
        QComboBox *formats = main.window->encoderWidget()->formatCombo();
        for (int i = formats->count() - 1; i >= 0; --i) {
            formats->setCurrentIndex(i);
            emit formats->activated(i);
            QVERIFY2(waitFor(allWhole, 10000), qPrintable(cut.join(" | ")));
        }
        QVERIFY(main.window->playerWidget()->findChild<QComboBox *>("titleCombo")->currentText().contains("29.97fps"));
        saveScreenshot(screen, "main-window-track-lists");
        // The output folder and file, which take no typing, show on the panel's background
        // as its labels do, not in the white of a field.
        EncoderWidget *panel = main.window->encoderWidget();
        for (const QString &label : {QString("Path:"), QString("File:")}) {
            QLabel *name = nullptr;
            for (QLabel *candidate : panel->findChildren<QLabel *>())
                if (candidate->text() == label)
                    name = candidate;
            QVERIFY(name);
            QLineEdit *field = label == "Path:" ? panel->pathEdit() : panel->fileEdit();
            QVERIFY(field->isReadOnly());
            const QColor background = dominantColour(screen.copy(screenRect(name)));
            const QColor fieldShown = dominantColour(screen.copy(screenRect(field)));
            QVERIFY2(background == fieldShown, qPrintable(label + " " + background.name() + " " + fieldShown.name()));
        }

        ModalAnswerer answers;
        int hiddenColumns = -1, shownLines = 0, lines = 0;
        bool onScreen = false;
        answers.answerWith([&](QWidget *modal) {
            auto *dialog = qobject_cast<MediaInfoDataDialog *>(modal);
            if (!dialog || !modal->isActiveWindow())
                return false;
            QTextEdit *view = dialog->reportView();
            hiddenColumns = view->horizontalScrollBar()->maximum();
            lines = view->document()->blockCount();
            shownLines = view->viewport()->height() / view->fontMetrics().lineSpacing();
            onScreen = availableArea().contains(dialog->frameGeometry());
            saveScreenshot(grabScreen(), "media-informations-size");
            dialog->accept();
            return true;
        });
        main.window->mediaInfoAction->trigger();
        QCOMPARE(answers.seen().size(), 1);
        QVERIFY(lines > 30);
        QCOMPARE(hiddenColumns, 0);
        QVERIFY2(shownLines >= 30, qPrintable(QString::number(shownLines)));
        QVERIFY(onScreen);
    }

    // A re-mux and an encoding of a file whose name holds "&": each job's box names the file
    // it writes as written, the panel names the file the next encoding really writes, and
    // a finished job shows 100 % however short of the end its engine's last line was.
    void namesAndEndsOfJobs()
    {
        QTemporaryDir folder;
        const QString input = folder.filePath("Tom & Jerry.mp4");
        QVERIFY(QFile::copy(m_clip, input));
        Window main(folder.path());
        QVERIFY(main.open(input));
        QLineEdit *fileLine = main.window->encoderWidget()->fileEdit();
        QCOMPARE(fileLine->text(), QString("Tom & Jerry (1).avi"));

        main.window->remuxAction->trigger();
        auto *view = qobject_cast<MervoJobManagerWidget *>(main.jobWindow()->view());
        QVERIFY(waitFor([&] { return main.manager()->isIdle() && !view->miniConsoles().isEmpty(); }, kJobWait));
        auto *remux = qobject_cast<MervoMiniConsoleWidget *>(view->miniConsoles().first());
        QCOMPARE(remux->task()->state, Task::Completed);
        QCOMPARE(qobject_cast<QGroupBox *>(remux->parentWidget())->title(),
                 QString("Re-mux Tom && Jerry.mp4 \u2192 Tom && Jerry (1).mp4"));
        QCOMPARE(remux->progressBar()->value(), 100);
        QCOMPARE(remux->console()->progressBar()->value(), 100);
        QVERIFY(QFile::exists(folder.filePath("Tom & Jerry (1).mp4")));
        // The folder changed: the panel now names the next free name.
        QVERIFY(waitFor([&] { return fileLine->text() == "Tom & Jerry (2).avi"; }));

        main.window->encoderWidget()->startButton()->click();
        QVERIFY(waitFor([&] { return view->miniConsoles().size() == 2 && main.manager()->isIdle(); }, kJobWait));
        auto *encode = qobject_cast<MervoMiniConsoleWidget *>(view->miniConsoles().last());
        QVERIFY(qobject_cast<QGroupBox *>(encode->parentWidget())->title().endsWith("\u2192 Tom && Jerry (2).avi"));
        QVERIFY(waitFor([&] { return encode->task()->state == Task::Completed; }, kJobWait));
        QVERIFY(QFile::exists(folder.filePath("Tom & Jerry (2).avi")));
        QCOMPARE(encode->progressBar()->value(), 100);
        QVERIFY(waitFor([&] { return shownAsRendered(remux->parentWidget()); }));
        saveScreenshot(grabScreen().copy(main.jobWindow()->frameGeometry()), "job-manager-finished-remux");
    }

    // MPlayer missing at the start and mended through Options > Engine paths: the preview of
    // an encoding plays with the mended player at once, not after a restart.
    void previewPlaysWithMendedPlayer()
    {
        std::unique_ptr<Window> main;
        {
            ModalAnswerer readiness; // the start's box: MPlayer is not ready
            main = std::make_unique<Window>(QString(), QVariantMap{{"Externals/Player/mplayer binary", "/nonexistent/mplayer"}});
            QCOMPARE(readiness.seen().size(), 1);
        }
        QVERIFY(!main->window->playerCapabilityAction->isEnabled());
        {
            FileChooserScript chooser;
            chooser.answer(QStandardPaths::findExecutable("mplayer"));
            main->window->mplayerPathAction->trigger();
        }
        QVERIFY(main->status().startsWith("MPlayer binary path set successfully"));
        QVERIFY(main->open(TestMedia::standardAvi()));
        EncoderWidget *panel = main->window->encoderWidget();
        panel->previewBox()->setChecked(true);
        panel->startButton()->click();
        EncoderPreviewDialog *preview = panel->previewDialog();
        QVERIFY(waitFor([&] { return preview->isVisible() && !preview->isRunning(); }, kJobWait));
        ModalAnswerer answers;
        QString played;
        // The player window, or a box that says why the file does not play.
        answers.answerWith([&](QWidget *modal) {
            if (qobject_cast<EncoderPreviewDialog *>(modal))
                return false;
            if (auto *player = qobject_cast<PlayerDialog *>(modal)) {
                played = player->path();
                saveScreenshot(grabScreen(), "preview-with-mended-player");
            }
            modal->close();
            return true;
        });
        // The player window after a box; the preview window stays.
        answers.answerWith([](QWidget *modal) {
            if (!qobject_cast<PlayerDialog *>(modal))
                return false;
            modal->close();
            return true;
        });
        preview->previewButton()->click();
        QVERIFY(!answers.seen().isEmpty());
        QVERIFY2(answers.seen().first().className == "PlayerDialog", qPrintable(answers.seen().first().informativeText));
        QCOMPARE(QFileInfo(played).suffix(), QString("avi"));
        preview->close();
    }

    // When the desktop opens nothing, the window says so instead of "Done".
    void desktopRefusalsSaid()
    {
        Window main;
        QVERIFY(QTest::qWaitForWindowExposed(main.window));
        {
            UrlInterceptor desktop;
            main.window->openTargetAction->trigger();
            QCOMPARE(main.status(), QString("Done"));
            QCOMPARE(desktop.urls(), QList<QUrl>{QUrl::fromLocalFile(main.target.path())});
        }
        UrlInterceptor desktop;
        desktop.refuseAll();
        main.window->openTargetAction->trigger();
        QCOMPARE(main.status(), "The desktop could not open " + main.target.path());
        main.window->helpAction->trigger();
        QVERIFY(main.status().startsWith("The desktop could not open http"));
        QVERIFY(main.status().endsWith("/vexo/help"));
        main.window->faqAction->trigger();
        QVERIFY(main.status().endsWith("/vexo/faq.php"));
        QVERIFY(main.window->logView()->toPlainText().contains("The desktop could not open " + main.target.path()));
    }
};
VEXO_TEST_CLASS(NamesAndEnds)

#include "tst_workwindows.moc"
