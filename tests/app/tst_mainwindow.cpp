// The program as a user starts it: the shell's passes, the window, its menus, the settings
// store, the readiness check and closing, on the real engines under X with screenshots.

#include "app/appidentity.h"
#include "app/enginepaths.h"
#include "app/applicationshell.h"
#include "app/mainwidget.h"
#include "app/mervomainwindow.h"
#include "app/shellsettings.h"
#include "app/website.h"
#include "encoder/records/encodingsource.h"
#include "encoding/mervoencoderwidget.h"
#include "encoder/records/enginetype.h"
#include "encoder/mervoencoder.h"
#include "engines/interfacestatus.h"
#include "encoding/encoderwidget.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/mervojobmanagerwidget.h"
#include "engines/outputmeter.h"
#include "gui4/gui4resources.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervotask.h"
#include "jobs/nestedloop.h"
#include "player/playerwidget.h"
#include "enginetesting.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QDir>
#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QMessageBox>
#include <QGroupBox>
#include <QLabel>
#include <QStandardPaths>
#include <QMenu>
#include <QMap>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {
// A menu as one line: entries "text" ("-" when disabled, "+" when checked), separators
// "|", sub-menus "text>[...]"; invisible entries are left out.
QString describe(const QMenu *menu)
{
    QStringList parts;
    for (QAction *action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            parts << "|";
        else if (action->menu())
            parts << action->text() + ">[" + describe(action->menu()) + "]";
        else
            parts << action->text() + (action->isEnabled() ? "" : "-") + (action->isChecked() ? "+" : "");
    }
    return parts.join(", ");
}

QStringList menuTitles(QMenuBar *bar)
{
    QStringList titles;
    for (QAction *action : bar->actions())
        titles << (action->isSeparator() ? QString("|") : action->text());
    return titles;
}

// Queues FFmpeg writing a minute of a test picture at its own pace into output, as a job of
// the window's manager; returns its task.
MervoTask *startEncode(MervoMainWindow *window, EncodingTaskData *data, const QString &folder,
                       const QString &output)
{
    auto *task = new MervoTask;
    task->set(data, QStandardPaths::findExecutable("ffmpeg"),
              {"-nostdin", "-re", "-f", "lavfi", "-i", "testsrc=duration=60:size=160x120:rate=10", "-y", output},
              folder, "encode", "Encoding");
    auto *job = new MervoJob;
    job->init({task}, "id", "title", output, nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
    qobject_cast<MervoJobManager *>(window->jobManager())->addJob(job);
    return task;
}

// Runs the shell with a script for each pass's window; returns the exit code.
int runShell(ApplicationShell &shell, std::function<void(MervoMainWindow *, int)> script)
{
    shell.onWindowShown = [&shell, script](MervoMainWindow *window) {
        QTimer::singleShot(0, window, [&shell, window, script] { script(window, shell.passes()); });
    };
    return shell.run();
}

// The same, each script started as a user acts: from the window's own loop, not inside the
// font-cache run that the window starts as it shows (a close asked there waits for the run).
int runShellAsUser(ApplicationShell &shell, std::function<void(MervoMainWindow *, int)> script)
{
    return runShell(shell, [script](MervoMainWindow *window, int pass) {
        NestedLoop::afterwards(window, [script, window, pass] { script(window, pass); });
    });
}

void checkScreenshot(QWidget *widget, const QString &name)
{
    const QImage shot = grabWidget(widget);
    saveScreenshot(shot, name);
    // The video area is black until something plays: the rest of the window must show.
    QVERIFY(nonBlackShare(shot) > 0.3);
    QVERIFY(distinctColours(shot) > 4);
}

// The entry of the menu bar at a path of entry texts ("Encoder>Encoder engines...>...").
QAction *menuEntry(QMenuBar *bar, const QString &path)
{
    QList<QAction *> actions = bar->actions();
    QAction *found = nullptr;
    for (const QString &text : path.split('>')) {
        const auto it = std::find_if(actions.cbegin(), actions.cend(),
                                     [&text](QAction *a) { return a->text() == text; });
        if (it == actions.cend())
            return nullptr;
        found = *it;
        if (found->menu())
            actions = found->menu()->actions();
    }
    return found;
}

// The engine names of a readiness box, in its order.
QStringList boxEngines(const QString &informativeText)
{
    static const QRegularExpression line(QStringLiteral(" - (?:<b>)?([^<]+?)(?:</b>)? is (?:NOT )?ready(?: \\([^)]*\\))?<br>"));
    QStringList names;
    for (auto it = line.globalMatch(informativeText); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

const QString kFFmpeg = QStandardPaths::findExecutable("ffmpeg");
const QString kMPlayer = QStandardPaths::findExecutable("mplayer");
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QString m_savedName;
    QString m_savedOrganization;

private slots:
    void initTestCase()
    {
        initGui4Resources();
        m_savedName = QCoreApplication::applicationName();
        m_savedOrganization = QCoreApplication::organizationName();
        AppIdentity::apply();
    }
    void cleanupTestCase()
    {
        QCoreApplication::setApplicationName(m_savedName);
        QCoreApplication::setOrganizationName(m_savedOrganization);
    }
    void init()
    {
        QSettings().clear();
    }

    void firstStartAndExit()
    {
        ApplicationShell shell;
        bool checked = false;
        const int code = runShell(shell, [&](MervoMainWindow *window, int) {
            [&] {
                QCOMPARE(window->windowTitle(), QString("Vexo 4.0"));
                QWidget *player = window->mainWidget()->playerWidget();
                QWidget *encoder = window->mainWidget()->encoderWidget();
                QVERIFY(player->isVisible() && encoder->isVisible());
                QVERIFY(player->geometry().bottom() <= encoder->geometry().top());
                QVERIFY(!window->encoderWidget()->isEnabled() || !encoder->findChild<QGroupBox *>()->isEnabled());
                QCOMPARE(window->statusLabel()->text(), QString("Ready"));
                QCOMPARE(menuTitles(window->menuBar()),
                         QStringList({"File", "|", "Job", "|", "Encoder", "|", "Player", "|", "Options", "|", "Help"}));
                QCOMPARE(describe(window->fileMenu),
                         QString("Open DVD, Open media file, Clear recent file list-, |, Set target path, "
                                 "Open target folder on desktop, |, Exit"));
                QCOMPARE(describe(window->jobMenu),
                         QString("Show job manager, |, Encode movie to VideoCD-, Encode movie to SuperVCD-, "
                                 "Encode movie to Xvid/DivX-, Encode movie to Xvid on 1 CD (700MB)-, |, "
                                 "Merge multiple media files-, Re-mux movie-, Split movie into multiple parts-"));
                QCOMPARE(describe(window->encoderMenu),
                         QString("Encoder engines...>[FFmpeg engine...>[Show capabilities, Show status], "
                                 "MEncoder engine...>[Show capabilities, Show status], "
                                 "MKVmerge engine...>[Show capabilities, Show status], "
                                 "x264 engine...>[Show capabilities, Show status]]"));
                QCOMPARE(describe(window->playerMenu),
                         QString("Display zoom...>[Auto+, Max (1366x768), 2:1, 1:1, 3:4, 1:2, 1:4], "
                                 "Media informations-, |, Player backend...>[Show MPlayer capabilities, "
                                 "Show MPlayer status, Show MediaInfo status, Show FFprobe status]"));
                QCOMPARE(describe(window->optionsMenu),
                         QString("Show console buttons, Show advanced monitor, Restore monitor window-, "
                                 "Clear monitor channels-, |, Verbosity...>[Quiet+, Normal, Verbose], "
                                 "Preferences, Clear all settings, |, Engine paths...>[Set FFmpeg binary path, "
                                 "Set MEncoder binary path, Set x264 binary path, Set MKVmerge binary path, |, "
                                 "Set MPlayer binary path, Set MediaInfo binary path, Set FFprobe binary path]"));
                QCOMPARE(describe(window->helpMenu),
                         QString("On-line FAQ, On-line help, Check for updates, Credits, |, About Vexo 4.0"));
                checkScreenshot(window, "main-window-first-start");
                checked = true;
            }();
            window->exitAction->trigger();
        });
        QVERIFY(checked);
        QCOMPARE(code, 0);
        QSettings settings;
        QCOMPARE(settings.value("Core/Interfaces/ffmpeg").toString(), kFFmpeg);
        QCOMPARE(settings.value("Core/Interfaces/ffprobe").toString(), QStandardPaths::findExecutable("ffprobe"));
        QCOMPARE(settings.value("Core/Interfaces/mencoder").toString(), QStandardPaths::findExecutable("mencoder"));
        QCOMPARE(settings.value("Externals/Player/mplayer binary").toString(), kMPlayer);
        QCOMPARE(settings.value("Externals/Encoder/mkvmerge binary").toString(),
                 QStandardPaths::findExecutable("mkvmerge"));
    }

    // Each window builds its panels and job machinery once, in the places the base window
    // has for them: the base window the base classes with the default engine paths, whatever
    // "Externals" holds; the extended window the extended classes with the paths stored
    // there. The encoder panel finalises the window's jobs; its Credits name its engines.
    void eachWindowBuildsItsOwnParts_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::newRow("base window") << false;
        QTest::newRow("extended window") << true;
    }
    void eachWindowBuildsItsOwnParts()
    {
        QFETCH(bool, extended);
        const QString stored = writeEngineScript("stored-mediainfo", "exec mediainfo \"$@\"");
        QSettings().setValue("Externals/Player/mediainfo binary", stored);
        MainWindow *window = extended ? new MervoMainWindow : new MainWindow;
        QPointer<MainWindow> guard(window);
        const QString edition = extended ? "Mervo" : "";
        const QList<QPair<const QObject *, QString>> parts{
            {window->playerWidget(), "PlayerWidget"}, {window->encoderWidget(), "EncoderWidget"},
            {window->jobManager(), "JobManager"}, {window->jobManagerDialog(), "JobManagerDialog"},
            {window->jobManagerDialog()->view(), "JobManagerWidget"}};
        for (const auto &[part, name] : parts)
            QCOMPARE(QString(part->metaObject()->className()), edition + name);
        QCOMPARE(window->mainWidget()->playerWidget(), window->playerWidget());
        QCOMPARE(window->mainWidget()->encoderWidget(), window->encoderWidget());
        QCOMPARE(window->findChildren<PlayerWidget *>().size(), 1);
        QCOMPARE(window->findChildren<EncoderWidget *>().size(), 1);
        QCOMPARE(window->enginePath(EnginePaths::MediaInfo) == stored, extended);
        QCOMPARE(window->playerWidget()->utilityBinary(4) == stored, extended);
        QVERIFY(QObject::disconnect(window, &MainWindow::encodingComplete, window->encoderWidget(),
                                    qOverload<Process *>(&EncoderWidget::finalizeEncoding)));
        ModalAnswerer answerer;
        answerer.answerWith([](QWidget *modal) { modal->close(); return true; });
        answerer.answerWith([](QWidget *modal) { modal->close(); return true; });
        window->creditsAction->trigger();
        // The update check asks a port where nothing listens: nothing leaves the machine.
        const QUrl site = WebSite::base();
        WebSite::setBase(QUrl("http://127.0.0.1:9"));
        window->updateAction->trigger();
        WebSite::setBase(site);
        QCOMPARE(answerer.seen().size(), 2);
        QCOMPARE(answerer.seen().at(0).text.contains("tsMuxeR"), extended);
        QCOMPARE(answerer.seen().at(1).className, edition + "SoftwareUpdateDialog");
        window->close();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }

    // The run that builds MPlayer's font cache (a minute on a first run) is not on the road
    // to the window: the window shows while it runs, and it runs once. MPlayer's capabilities
    // are offered from the back-end's state at once and again when the run has ended. The
    // run handles the window's events while it goes: a close, a restart ("Clear all
    // settings") or a close during the run that a cancelled MPlayer path starts stops it and
    // goes on at once, and the window goes only once the run has returned.
    void fontCacheAfterTheWindowShows_data()
    {
        QTest::addColumn<QString>("during");
        QTest::addColumn<int>("runs");      // font-cache runs started
        QTest::addColumn<int>("ended");     // runs that ended by themselves
        QTest::addColumn<int>("passes");
        QTest::newRow("nothing: the run ends") << "" << 1 << 1 << 1;
        QTest::newRow("exit") << "exit" << 1 << 0 << 1;
        QTest::newRow("clear all settings") << "clear" << 1 << 0 << 2;
        QTest::newRow("exit during the run a cancelled MPlayer path starts") << "path" << 2 << 1 << 1;
    }
    void fontCacheAfterTheWindowShows()
    {
        QFETCH(QString, during);
        QFETCH(int, runs);
        QFETCH(int, ended);
        QFETCH(int, passes);
        const QString events = TestMedia::folder() + "/engines/font-cache-order";
        const QString release = events + ".release";
        QFile::remove(events);
        QFile::remove(release);
        // Not released, the run ends by itself after 60 s or more, so a start that waits for
        // it fails instead of hanging; long enough that a window slow to show on a busy
        // machine still shows while it runs.
        const QString mplayer = writeEngineScript(
            "ordered-mplayer", QStringLiteral("case \"$*\" in\n"
                                              "  *-fontconfig*) echo font >> '%1'; i=0\n"
                                              "    while [ ! -e '%2' ] && [ $i -lt 3000 ]; do sleep 0.02; i=$((i+1)); done\n"
                                              "    echo font-end >> '%1' ;;\n"
                                              "  *'-vo help'*) echo status >> '%1' ;;\nesac\nexec mplayer \"$@\"")
                                   .arg(events, release));
        QSettings().setValue("Externals/Player/mplayer binary", mplayer);
        const auto logged = [&events] {
            QFile file(events);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                                  : QStringList();
        };
        // The run handles the window's events; a wait in there (QTest::qWait, or a nested
        // loop in an optimised build) carries out the deletion a close has asked for.
        QList<QPointer<MervoMainWindow>> windows;
        const auto exitNow = [&windows](MervoMainWindow *window) {
            windows << window;
            window->exitAction->trigger();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        // Once the first run has returned: the chooser cancelled, the run starts again, and
        // the close comes while it goes.
        std::function<void(MervoMainWindow *)> cancelPath = [&](MervoMainWindow *window) {
            if (window->deletionHolds() > 0) {
                QTimer::singleShot(10, window, [&cancelPath, window] { cancelPath(window); });
                return;
            }
            FileChooserScript chooser;
            QTimer::singleShot(0, window, [&, window] {
                QTRY_VERIFY_WITH_TIMEOUT(logged().count("font") == 2, kScreenWait);
                exitNow(window);
            });
            window->mplayerPathAction->trigger();
        };
        ApplicationShell shell;
        QStringList atShow;
        bool offered = false;
        QElapsedTimer clock;
        clock.start();
        const int code = runShell(shell, [&](MervoMainWindow *window, int pass) {
            if (pass > 1) {
                exitNow(window);
                return;
            }
            QTRY_VERIFY_WITH_TIMEOUT(window->windowHandle() && window->windowHandle()->isExposed(), kScreenWait);
            QTRY_VERIFY_WITH_TIMEOUT(logged().contains("font") || logged().contains("font-end"), kScreenWait);
            atShow = logged();
            offered = window->playerCapabilityAction->isEnabled();
            if (during.isEmpty() || during == "path") {
                QFile(release).open(QIODevice::WriteOnly);
                QTRY_VERIFY_WITH_TIMEOUT(logged().contains("font-end"), kScreenWait);
            }
            if (during == "path") {
                QFile::remove(release);
                QTimer::singleShot(0, window, [&cancelPath, window] { cancelPath(window); });
                return;
            }
            if (during == "clear") {
                ModalAnswerer answerer;
                answerer.answerWithButton("Clear settings and restart");
                window->clearSettingsAction->trigger();
                return;
            }
            exitNow(window);
        });
        QCOMPARE(code, 0);
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.first().isNull());
        QCOMPARE(shell.passes(), passes);
        QVERIFY2(!atShow.contains("font-end"), qPrintable(atShow.join(' ')));
        QVERIFY(offered);
        const QStringList order = logged();
        QCOMPARE(order.count("font"), runs);
        QCOMPARE(order.count("font-end"), ended);
        // A stopped run is not waited for: left alone it would go on for a minute.
        QVERIFY2(clock.elapsed() < 40000, qPrintable(QString::number(clock.elapsed())));
    }

    void clearAllSettings()
    {
        QSettings().setValue("Options/verbosity", 3);
        QSettings("Orvel", "Vexo 4.0 Mervo Edition").setValue("old", 1);
        ApplicationShell shell;
        QPointer<MervoMainWindow> first;
        bool secondChecked = false;
        const int code = runShell(shell, [&](MervoMainWindow *window, int pass) {
            if (pass == 1) {
                first = window;
                {
                    ModalAnswerer answerer;
                    answerer.answerWithButton("Cancel");
                    window->clearSettingsAction->trigger();
                    QCOMPARE(answerer.seen().size(), 1);
                    QVERIFY(answerer.seen().at(0).text.startsWith(
                        "Clear all settings and restart the application, please confirm ?"));
                }
                if (QSettings().value("Options/verbosity").toInt() != 3 || !window->isVisible()) {
                    window->exitAction->trigger();
                    return;
                }
                ModalAnswerer answerer;
                answerer.answerWithButton("Clear settings and restart");
                window->clearSettingsAction->trigger();
                return;
            }
            [&] {
                QVERIFY(first.isNull());
                QCOMPARE(window->verbosity(), 1);
                QVERIFY(window->isVisible());
                checkScreenshot(window, "main-window-after-clear");
                secondChecked = true;
            }();
            window->exitAction->trigger();
        });
        QCOMPARE(code, 0);
        QCOMPARE(shell.passes(), 2);
        QVERIFY(secondChecked);
        // Only the engine paths that the shell writes after every loop, and those the second
        // window wrote when it closed.
        QSettings settings;
        QVERIFY(!settings.contains("Options/verbosity") || settings.value("Options/verbosity").toInt() == 1);
        QVERIFY(settings.contains("Core/Interfaces/ffmpeg"));
        QVERIFY(QSettings("Orvel", "Vexo 4.0 Mervo Edition").allKeys().isEmpty());
    }

    void clearedStoreHoldsOnlyEnginePaths()
    {
        // The pass that cleared the store writes nothing but the engine paths.
        ApplicationShell shell;
        shell.initEngines();
        auto *window = new MervoMainWindow;
        window->initialize();
        window->show();
        ModalAnswerer answerer;
        answerer.answerWithButton("Clear settings and restart");
        QTimer::singleShot(0, window, [window] { window->clearSettingsAction->trigger(); });
        QCOMPARE(QApplication::exec(), AppIdentity::kRestartExitCode);
        QVERIFY(!window->saveSettingsOnExit());
        shell.saveEnginePaths();
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList keys = QSettings().allKeys();
        keys.sort();
        QCOMPARE(keys, QStringList({"Core/Interfaces/ffmpeg", "Core/Interfaces/ffprobe", "Core/Interfaces/mencoder"}));
    }

    void readinessOfAWrongEngine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("engine");
        QTest::addColumn<bool>("locks");
        QTest::newRow("MPlayer") << "MPlayer" << int(EnginePaths::MPlayer) << true;
        QTest::newRow("FFmpeg") << "FFmpeg" << int(EnginePaths::FFmpeg) << true;
        // x264 is reported but does not lock the window.
        QTest::newRow("x264") << "x264" << int(EnginePaths::X264) << false;
    }
    void readinessOfAWrongEngine()
    {
        QFETCH(QString, name);
        QFETCH(int, engine);
        QFETCH(bool, locks);
        const QString real = QStandardPaths::findExecutable(name.toLower());
        auto *window = new MervoMainWindow;
        QPointer<MervoMainWindow> guard(window);
        window->initialize();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QMap<QString, QPair<QAction *, QAction *>> entries{
            {"MPlayer", {window->mplayerPathAction, window->playerCapabilityAction}},
            {"FFmpeg", {window->ffmpegPathAction, window->ffmpegCapabilityAction}},
            {"x264", {window->x264PathAction, window->x264CapabilityAction}}};
        QAction *setter = entries.value(name).first;
        QAction *capability = entries.value(name).second;
        QVERIFY(capability->isEnabled());
        FileChooserScript chooser;
        chooser.answer("/bin/true");
        ModalAnswerer answerer;
        answerer.screenshotAs("readiness-" + name);
        QSignalSpy noInput(window, &MainWindow::movieLoaded);
        setter->trigger();
        QCOMPARE(chooser.requests().size(), 1);
        QCOMPARE(chooser.requests().at(0).start, real);
        QVERIFY(EnginePathsFilterShows(chooser.requests().at(0).filter));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().at(0).text.trimmed(), QString("<u>Player and encoder are NOT ready.</u>"));
        QVERIFY(answerer.seen().at(0).informativeText.contains(" - <b>" + name + "</b> is NOT ready<br>"));
        QVERIFY(answerer.seen().at(0).informativeText.contains(" - FFprobe is ready<br>"));
        // The status bar agrees with the box: no success for a file that is no engine.
        QCOMPARE(window->statusBar()->currentMessage(), name + " is NOT ready [path: /bin/true]");
        QVERIFY(window->logView()->toPlainText().contains("Application is NOT ready [check your installation]."));
        QVERIFY(!capability->isEnabled());
        checkScreenshot(window, "main-window-no-input-" + name);
        // The no-input state: nothing can be played or encoded.
        QCOMPARE(noInput.size(), locks ? 1 : 0);
        if (locks)
            QVERIFY(!window->playerWidget()->findChild<QGroupBox *>("trackGroup")->isEnabled());
        QCOMPARE(window->openDvdAction->isEnabled(), name != "MPlayer");
        QVERIFY(!window->encodeVcdAction->isEnabled());
        QVERIFY(!window->mediaInfoAction->isEnabled());
        if (name == "FFmpeg") {
            QCOMPARE(boxEngines(answerer.seen().at(0).informativeText),
                     QStringList({"FFmpeg", "MEncoder", "x264", "MKVmerge", "MPlayer", "MediaInfo", "FFprobe"}));
            // Opening a media file (the base window's command, its check of the five base
            // engines) or a DVD asks for no file; what the box told is not told again in a
            // box at every open, but in the status bar.
            window->logView()->clear();
            window->openFileAction->trigger();
            QCOMPARE(window->statusBar()->currentMessage(), QString("Player and encoder are NOT ready: FFmpeg."));
            QVERIFY(window->logView()->toPlainText().contains("Application is NOT ready [check your installation]."));
            window->openDvdAction->trigger();
            QCOMPARE(answerer.seen().size(), 1);
            QCOMPARE(chooser.requests().size(), 1);
        }
        const int boxes = answerer.seen().size();

        // The real engine again: no box, the entries come back.
        chooser.answer(real);
        setter->trigger();
        QCOMPARE(answerer.seen().size(), boxes);
        QVERIFY(window->statusBar()->currentMessage().contains(" binary path set successfully [" + real + "]"));
        QVERIFY(capability->isEnabled() && window->openDvdAction->isEnabled());
        QCOMPARE(window->enginePath(EnginePaths::Engine(engine)), real);

        // A cancelled chooser keeps the path and says so.
        setter->trigger();
        QCOMPARE(window->statusBar()->currentMessage(), QString("No file selected"));
        QCOMPARE(window->enginePath(EnginePaths::Engine(engine)), real);
        QVERIFY(capability->isEnabled());
        window->close();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }

    // Engines that answer their start queries late, as on a busy machine, are ready and no box
    // comes up: one that works goes on past its time-outs (the encoders' 3.5 s of work, past
    // their 1 s latency and the 3 s they were once held to), one that waits is asked again with
    // longer ones. One that never answers is named so in the box and the log, apart from one
    // that is not installed, and is asked again before a file is opened: answering by then, it
    // opens the file without a box.
    void slowEnginesAtStart_data()
    {
        QTest::addColumn<int>("engine");   // EnginePaths::Engine
        QTest::addColumn<QString>("how");  // see slowedEngine; "late": never answers while a flag file is there;
                                           // "missing": no such file
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("when"); // its status query
        QTest::addColumn<QString>("lack"); // what the box says of it; empty: no box
        QTest::addColumn<int>("latency");  // the encoders' finish latency (the player's is 1 s)
        QTest::newRow("FFmpeg working") << int(EnginePaths::FFmpeg) << "burn" << 3500 << "*-version*" << "" << 1000;
        QTest::newRow("MEncoder waiting") << int(EnginePaths::MEncoder) << "sleep" << 3500 << "*help*" << "" << 2000;
        QTest::newRow("MediaInfo waiting") << int(EnginePaths::MediaInfo) << "sleep" << 1500 << "*--version*" << "" << 1000;
        QTest::newRow("MPlayer waiting") << int(EnginePaths::MPlayer) << "sleep" << 1500 << "*help*" << "" << 1000;
        QTest::newRow("FFprobe not answering at start") << int(EnginePaths::FFprobe) << "late" << 0 << "*-version*"
                                                       << "did not answer in time" << 1000;
        QTest::newRow("x264 not answering at start") << int(EnginePaths::X264) << "late" << 0 << "*help*"
                                                    << "did not answer in time" << 1000;
        QTest::newRow("MKVmerge not installed") << int(EnginePaths::MKVmerge) << "missing" << 0 << "" << "not installed" << 1000;
    }
    void slowEnginesAtStart()
    {
        QFETCH(int, engine);
        QFETCH(QString, how);
        QFETCH(int, ms);
        QFETCH(QString, when);
        QFETCH(QString, lack);
        QFETCH(int, latency);
        const EnginePaths::ExternalsRow &row = *std::find_if(std::begin(EnginePaths::kExternals), std::end(EnginePaths::kExternals),
                                                             [engine](const EnginePaths::ExternalsRow &r) { return r.engine == engine; });
        const QString real = QString(row.key).section('/', 1).section(' ', 0, 0);
        const QString name = "start-" + QString(QTest::currentDataTag()).replace(' ', '-');
        const QString flag = TestMedia::folder() + "/engines/" + name + ".flag";
        QString path = TestMedia::folder() + "/no-such-dir/" + real;
        if (how == "late") {
            QVERIFY(QFile(flag).open(QIODevice::WriteOnly));
            path = writeEngineScript(name, QString("case \"$*\" in\n  %1) [ -e '%2' ] && exec '%3' hang ;;\nesac\nexec %4 \"$@\"")
                                               .arg(when, flag, TestMedia::fakeEngine(), real));
        } else if (how != "missing") {
            path = slowedEngine(name, real, how, ms, when);
        }
        QSettings settings;
        settings.setValue(QString("Externals/") + row.key, path);
        settings.setValue("Preferences/Encoder/latency finished", latency);
        settings.setValue("Preferences/Player/latency finished", 1000);
        settings.setValue("Options/verbosity", 2); // the log names each engine
        settings.sync();
        ModalAnswerer answerer;
        auto *window = new MervoMainWindow;
        QPointer<MervoMainWindow> guard(window);
        window->initialize();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(answerer.seen().size(), lack.isEmpty() ? 0 : 1);
        // The user's latencies are in force from the engines' first queries on.
        for (int type : {EngineType::FFmpeg, EngineType::MEncoder, EngineType::X264, EngineType::MKVmerge})
            QCOMPARE(window->mervoEncoderWidget()->mervoEncoder()->finishTimeout(type), latency);
        const QString log = window->logView()->toPlainText();
        if (!lack.isEmpty()) {
            const QString engineName = engine == EnginePaths::FFprobe ? "FFprobe" : engine == EnginePaths::X264 ? "x264" : "MKVmerge";
            QVERIFY2(answerer.seen().at(0).informativeText.contains(QString(" - <b>%1</b> is NOT ready (%2)<br>").arg(engineName, lack)),
                     qPrintable(answerer.seen().at(0).informativeText));
            QVERIFY2(log.contains(QString("%1 is NOT ready [path: %2]: %3.").arg(engineName, path, lack)), qPrintable(log));
        } else {
            QVERIFY2(log.contains("Application is ready."), qPrintable(log));
        }
        if (how == "late") {
            // The machine is less busy now: the engine answers when it is asked again.
            QFile::remove(flag);
            FileChooserScript chooser;
            chooser.answer(TestMedia::standardAvi());
            window->openFileAction->trigger();
            QCOMPARE(answerer.seen().size(), 1);
            QCOMPARE(chooser.requests().size(), 1);
            QVERIFY(waitFor([window] { return window->encoderWidget()->encodingSource().kind == 1; }));
        }
        window->close();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }

    void dialogsOfTheMenus()
    {
        // Each entry opens its window over the main window with the engine's own records,
        // and Escape closes it.
        auto *window = new MervoMainWindow;
        QPointer<MervoMainWindow> guard(window);
        window->initialize();
        window->show();
        const QList<QPair<QAction *, QString>> entries{
            {window->ffmpegStatusAction, "FFmpeg status"},
            {window->mencoderStatusAction, "MEncoder status"},
            {window->mencoderCapabilityAction, "MEncoder"},
            {window->ffmpegCapabilityAction, "FFmpeg"},
            {window->x264StatusAction, "x264 status"},
            {window->mkvmergeStatusAction, "MKVmerge status"},
            {window->mkvmergeCapabilityAction, "MKVmerge"},
            {window->playerStatusAction, "Player status"},
            {window->playerCapabilityAction, "Player"},
            {window->mediaInfoStatusAction, "MediaInfo status"},
            {window->ffprobeStatusAction, "FFprobe status"},
            {window->preferencesAction, "Preferences"},
            {window->creditsAction, "Credits"},
            {window->aboutAction, "About"},
        };
        for (const auto &[action, title] : entries) {
            ModalAnswerer answerer;
            bool closed = false;
            answerer.answerWith([&closed](QWidget *modal) {
                QTest::keyClick(modal, Qt::Key_Escape);
                closed = !modal->isVisible();
                return true;
            });
            action->trigger();
            QVERIFY2(answerer.seen().size() == 1, qPrintable(title));
            QVERIFY2(answerer.seen().at(0).title.contains(title), qPrintable(answerer.seen().at(0).title));
            QVERIFY2(closed, qPrintable(title + " stays open on Escape"));
        }
        // About and Credits speak of the extended edition and its engines.
        for (const auto &[action, text] : {std::pair{window->aboutAction, "Mervo Edition"},
                                           std::pair{window->creditsAction, "tsMuxeR"}}) {
            ModalAnswerer answerer;
            answerer.answerWith([](QWidget *modal) { modal->close(); return true; });
            action->trigger();
            QVERIFY2(answerer.seen().size() == 1 && answerer.seen().at(0).text.contains(text),
                     qPrintable(action->text()));
        }
        // The status windows show copies of each engine's own record.
        const QList<QPair<InterfaceStatus, int>> statuses{
            {window->mencoderStatus(), 1}, {window->ffmpegStatus(), 2},
            {window->x264Status(), 3}, {window->mkvmergeStatus(), 4}};
        for (const auto &[status, type] : statuses) {
            QCOMPARE(status.state, int(InterfaceStatus::Ready));
            QCOMPARE(status.version, window->engineVersion(type));
        }
        window->close();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }

    // What the status bar says over a menu entry.
    void statusTips_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("tip");
        QTest::newRow("open file") << "File>Open media file"
                                   << "Open movie or audio file (AVI/MP4/WMV/MOV/FLV/MP3/WAV etc.)";
        QTest::newRow("target folder") << "File>Open target folder on desktop"
                                       << "Open target folder on desktop to access directly ouput files";
        QTest::newRow("exit") << "File>Exit" << "Exit the application";
        QTest::newRow("split") << "Job>Split movie into multiple parts" << "Split one video file into multiple smaller files";
        QTest::newRow("FFmpeg status") << "Encoder>Encoder engines...>FFmpeg engine...>Show status" << "Show FFmpeg engine status";
        QTest::newRow("MEncoder capabilities") << "Encoder>Encoder engines...>MEncoder engine...>Show capabilities"
                                               << "Show MEncoder engine capabilities";
        QTest::newRow("MKVmerge status") << "Encoder>Encoder engines...>MKVmerge engine...>Show status" << "Show MKVmerge engine status";
        QTest::newRow("quiet") << "Options>Verbosity...>Quiet" << "Show relevant information and error issues in log";
        QTest::newRow("credits, product named") << "Help>Credits" << "Show the Vexo 4.0 credits";
        QTest::newRow("about, product named") << "Help>About Vexo 4.0" << "Show the Vexo 4.0 about box";
    }
    void statusTips()
    {
        QFETCH(QString, entry);
        QFETCH(QString, tip);
        MervoMainWindow window;
        QAction *action = menuEntry(window.menuBar(), entry);
        QVERIFY2(action, qPrintable(entry));
        QVERIFY(action->showStatusText(&window));
        QCOMPARE(window.statusBar()->currentMessage(), tip);
    }

    // The target folder opens in the desktop's file manager as a local file, also with a
    // blank and a "#" in its name.
    void targetFolderOnDesktop()
    {
        QTemporaryDir parent;
        const QString folder = parent.path() + "/my movies #1";
        QVERIFY(QDir().mkpath(folder));
        QSettings().setValue("Output/target folder", folder);
        MervoMainWindow window;
        UrlInterceptor links;
        window.openTargetAction->trigger();
        QCOMPARE(links.urls().size(), 1);
        QVERIFY(links.urls().at(0).isLocalFile());
        QCOMPARE(links.urls().at(0).toLocalFile(), folder);
        QCOMPARE(window.statusBar()->currentMessage(), QString("Done"));
    }

    void settingsRoundTrip()
    {
        QTemporaryDir target;
        QSettings().setValue("Output/target folder", target.path());
        {
            auto *window = new MervoMainWindow;
            window->initialize();
            window->show();
            window->normalAction->trigger();
            window->consoleButtonAction->trigger();
            // Both job views follow the option: the window's and the encoder panel's.
            QVERIFY(!window->jobManagerDialog()->findChild<JobManagerWidget *>()->consoleButtonHidden);
            QVERIFY(!window->encoderWidget()->jobView()->consoleButtonHidden);
            FileChooserScript chooser;
            chooser.answer(QStandardPaths::findExecutable("mediainfo"));
            window->mediaInfoPathAction->trigger();
            QVERIFY(window->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QSettings settings;
        QCOMPARE(settings.value("Options/verbosity").toInt(), 2);
        QCOMPARE(settings.value("Options/console button").toBool(), true);
        QCOMPARE(settings.value("Output/target folder").toString(), target.path());
        QCOMPARE(settings.value("Output/target name").toString(), QString("output"));
        QCOMPARE(settings.value("Preferences/Player/poll ticks").toInt(), 500);
        QVERIFY(settings.contains("Main Window/size"));

        auto *again = new MervoMainWindow;
        QCOMPARE(again->verbosity(), 2);
        QVERIFY(again->normalAction->isChecked());
        QVERIFY(again->consoleButtonShown() && again->consoleButtonAction->isChecked());
        QCOMPARE(again->targetFolder(), target.path());
        QCOMPARE(again->enginePath(EnginePaths::MediaInfo), QStandardPaths::findExecutable("mediainfo"));
        delete again;

        // A damaged file: the program starts with defaults (or bounds) for the bad values.
        settings.setValue("Options/verbosity", "loud");
        settings.setValue("Preferences/Player/poll ticks", 0);
        settings.setValue("Preferences/Encoder/test chapter", "x");
        settings.setValue("Main Window/position", QPoint(90000, 90000));
        settings.sync();
        QFile file(settings.fileName());
        QVERIFY(file.open(QIODevice::Append));
        file.write("\n[Broken\n=\x01\x02 no key\n");
        file.close();
        auto *damaged = new MervoMainWindow;
        QCOMPARE(damaged->verbosity(), 1);
        QVERIFY(damaged->quietAction->isChecked());
        QCOMPARE(damaged->preferences().player.pollTicks, 500);
        QCOMPARE(damaged->preferences().encoder.testChapter, 4);
        QVERIFY(damaged->pos().x() < 5000);
        delete damaged;
        // A number beyond the bounds is brought back within them.
        settings.setValue("Options/verbosity", 7);
        settings.sync();
        auto *loud = new MervoMainWindow;
        QCOMPARE(loud->verbosity(), 3);
        QVERIFY(loud->verboseAction->isChecked());
        delete loud;
    }

    // One unterminated quote hides every later key from the store, and junk after the keys
    // (noise a damaged disk gave back) reads as keys of its own: before the closing save
    // writes defaults over them, the file is kept beside itself, under a name of its own
    // each time, and the user is told once. The live file then starts from the keys before
    // the damage, so the closing save writes a clean file and says nothing. A line the store
    // takes for a key ("#...") hides nothing.
    void damagedSettingsFileKept_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        QTest::addColumn<int>("earlierCopies");
        QTest::addColumn<QString>("copyName");
        QTest::addColumn<QString>("targetName"); // as read and saved again
        const QByteArray quote = "[Input]\nfile=\"/movies/a.avi\n[Output]\ntarget%20name=holiday\n";
        QTest::newRow("unterminated quote")
            << quote + "[Preferences]\nEncoder\\test%20frames=777\n" << 0 << ".conf.damaged" << "output";
        QTest::newRow("unterminated quote beside a # line")
            << "[Options]\n#verbosity=2\n" + quote << 0 << ".conf.damaged" << "output";
        QTest::newRow("second damage") << quote << 1 << ".conf.damaged.1" << "output";
        QByteArray noise(1 << 20, Qt::Uninitialized);
        QRandomGenerator(11).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("a megabyte of junk after the keys")
            << "[Output]\ntarget%20name=holiday\n" + noise << 0 << ".conf.damaged" << "holiday";
    }
    void damagedSettingsFileKept()
    {
        QFETCH(QByteArray, damaged);
        QFETCH(int, earlierCopies);
        QFETCH(QString, copyName);
        QFETCH(QString, targetName);
        const QString fileName = QSettings().fileName();
        QDir().mkpath(QFileInfo(fileName).path());
        for (int i = 0; i < earlierCopies; ++i) {
            QFile earlier(fileName + ".damaged" + (i == 0 ? QString() : QString(".%1").arg(i)));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("an earlier damage");
        }
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        ModalAnswerer answerer;
        answerer.answerWith(QMessageBox::Ok);
        answerer.answerWith(QMessageBox::Ok);
        ApplicationShell shell;
        QCOMPARE(runShell(shell, [](MervoMainWindow *window, int) { window->exitAction->trigger(); }), 0);
        QFile copy(QFileInfo(fileName).path() + "/" + QFileInfo(fileName).completeBaseName() + copyName);
        QVERIFY2(copy.open(QIODevice::ReadOnly), qPrintable(copy.fileName()));
        QCOMPARE(copy.readAll(), damaged);
        for (const QString &kept : QDir(QFileInfo(fileName).path()).entryList({"*.damaged*"}))
            QFile::remove(QFileInfo(fileName).path() + "/" + kept);
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(answerer.seen().at(0).text.startsWith("The settings file could not be read in full"));
        QVERIFY(answerer.seen().at(0).informativeText.contains(copyName));
        // What the closing save wrote reads back whole, and no more than the program's own
        // keys: no box at the next start.
        QVERIFY(ShellSettings::readsBackWhole(fileName));
        QSettings saved(fileName, QSettings::IniFormat);
        QCOMPARE(saved.status(), QSettings::NoError);
        QCOMPARE(saved.value("Output/target name").toString(), targetName);
        QVERIFY2(QFileInfo(fileName).size() < 16384, qPrintable(QString::number(QFileInfo(fileName).size())));
    }

    // A settings file that is not a regular file is neither read nor written: a named pipe
    // would hold the start for ever before any window, and the closing save would replace
    // a device that a link names. The program says so and starts from its defaults. A link
    // to a regular file (kept dotfiles) is followed both ways.
    void settingsFileNotARegularFile_data()
    {
        QTest::addColumn<QString>("store"); // whose file: the program's, its organisation's, the
                                            // system's, the other edition's that "Clear all
                                            // settings" clears
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("told");
        QTest::addColumn<int>("verbosity"); // as the window read it
        QTest::newRow("a named pipe") << "own" << "pipe" << true << 1;
        QTest::newRow("a link to a named pipe") << "own" << "link to pipe" << true << 1;
        QTest::newRow("a link to a character device") << "own" << "link to device" << true << 1;
        QTest::newRow("a link that names nothing") << "own" << "dangling link" << true << 1;
        QTest::newRow("the organisation's file a named pipe") << "organisation" << "pipe" << true << 1;
        QTest::newRow("the system's file a named pipe") << "system" << "pipe" << true << 1;
        QTest::newRow("a link to a regular file") << "own" << "link to file" << false << 2;
        // Written through to the file itself: its other names see what was saved.
        QTest::newRow("a link to a file of two names") << "own" << "link to file, linked" << false << 2;
        QTest::newRow("a file of two names") << "own" << "file, linked" << false << 2;
        QTest::newRow("the other edition's file a named pipe, cleared") << "other edition" << "pipe" << false << 1;
    }
    void settingsFileNotARegularFile()
    {
        QFETCH(QString, store);
        QFETCH(QString, kind);
        QFETCH(bool, told);
        QFETCH(int, verbosity);
        QTemporaryDir aside;
        // The system's files in a folder of the test's own.
        const QString systemFolder = ShellSettings::storeFolder(QSettings::SystemScope);
        QSettings::setPath(QSettings::defaultFormat(), QSettings::SystemScope, aside.path() + "/system");
        const auto restoreSystem = qScopeGuard([&systemFolder] {
            QSettings::setPath(QSettings::defaultFormat(), QSettings::SystemScope, systemFolder);
        });
        const QStringList files = ShellSettings::storeFiles(QCoreApplication::organizationName(),
                                                            QCoreApplication::applicationName());
        // Named as the store names them.
        QCOMPARE(files.first(), QSettings().fileName());
        QCOMPARE(files.at(1), QSettings(QCoreApplication::organizationName(), QString()).fileName());
        QCOMPARE(files.at(2), QSettings(QSettings::SystemScope, QCoreApplication::organizationName(),
                                        QCoreApplication::applicationName()).fileName());
        const QString fileName = store == "own"            ? files.at(0)
                                 : store == "organisation" ? files.at(1)
                                 : store == "system"       ? files.at(2)
                                                           : ShellSettings::storeFiles("Orvel", "Vexo 4.0 Mervo Edition").at(0);
        QDir().mkpath(QFileInfo(fileName).path());
        QFile::remove(fileName);
        const auto removeFile = qScopeGuard([&fileName] { QFile::remove(fileName); });
        QString target = aside.path() + "/target";
        if (kind == "pipe" || kind == "file, linked")
            target = fileName;
        if (kind.endsWith("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
        // A device of the test's own where it may make one; /dev/null, which only the
        // system may replace, where it may not.
        if (kind == "link to device" && ::mknod(QFile::encodeName(target).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            target = "/dev/null";
        const QString otherName = aside.path() + "/other name";
        if (kind.contains("file")) {
            QFile kept(target);
            QVERIFY(kept.open(QIODevice::WriteOnly));
            kept.write("[Options]\nverbosity=2\n");
            kept.close();
            if (kind.endsWith("linked"))
                QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(otherName).constData()), 0);
        }
        if (kind.startsWith("link") || kind == "dangling link")
            QVERIFY(QFile::link(target, fileName));
        const auto typeOf = [](const QString &path) {
            struct stat status = {};
            return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & S_IFMT) : 0;
        };
        const int targetType = typeOf(target);
        ModalAnswerer answerer;
        answerer.answerWith(QMessageBox::Ok);
        ApplicationShell shell;
        int read = 0;
        QCOMPARE(runShell(shell, [&](MervoMainWindow *window, int pass) {
                     read = pass == 1 ? window->verbosity() : read;
                     window->verboseAction->trigger();
                     if (store != "other edition" || pass == 2) {
                         window->exitAction->trigger();
                         return;
                     }
                     ModalAnswerer clear;
                     clear.answerWithButton("Clear settings and restart");
                     window->clearSettingsAction->trigger();
                 }),
                 0);
        QCOMPARE(read, verbosity);
        QCOMPARE(answerer.seen().size(), told ? 1 : 0);
        if (told) {
            QVERIFY(answerer.seen().at(0).text.startsWith("The settings file is not a regular file"));
            QVERIFY(answerer.seen().at(0).informativeText.contains(fileName));
        }
        // What was there is there still; after the run the store is where it was.
        QCOMPARE(typeOf(target), targetType);
        if (kind.startsWith("link") || kind == "dangling link")
            QCOMPARE(QFileInfo(fileName).symLinkTarget(), QFileInfo(target).absoluteFilePath());
        QCOMPARE(ShellSettings::storeFolder(QSettings::UserScope), QFileInfo(files.at(1)).path());
        for (const QString &name : {target, otherName}) {
            if (kind.contains("file") && (name == target || kind.endsWith("linked")))
                QCOMPARE(QSettings(name, QSettings::IniFormat).value("Options/verbosity").toInt(), 3);
        }
    }

    // A shared settings file (a second name here) is worked on through a private copy:
    // "Clear all settings" clears the other edition's store in its own file all the same.
    void clearingBesideASharedFile()
    {
        const QString own = QSettings().fileName();
        const QString other = ShellSettings::storeFiles(AppIdentity::kOtherEditionOrganization,
                                                        QCoreApplication::applicationName()).first();
        QTemporaryDir aside;
        for (const QString &file : {own, other}) {
            QDir().mkpath(QFileInfo(file).path());
            QFile written(file);
            QVERIFY(written.open(QIODevice::WriteOnly) && written.write("[Options]\nverbosity=2\n") > 0);
        }
        const auto removeFiles = qScopeGuard([&] { QFile::remove(other), QFile::remove(own); });
        QCOMPARE(::link(QFile::encodeName(own).constData(), QFile::encodeName(aside.filePath("second")).constData()), 0);
        ApplicationShell shell;
        QCOMPARE(runShell(shell, [](MervoMainWindow *window, int pass) {
                     if (pass == 2)
                         return window->exitAction->trigger();
                     ModalAnswerer clear;
                     clear.answerWithButton("Clear settings and restart");
                     window->clearSettingsAction->trigger();
                 }),
                 0);
        QVERIFY(!QSettings(other, QSettings::IniFormat).contains("Options/verbosity"));
        QVERIFY(QSettings(aside.filePath("second"), QSettings::IniFormat).contains("Core/Interfaces/ffmpeg"));
    }

    // A signal while the box about a damaged settings file asks, before the window's loop
    // runs: the box is dismissed, and the program ends by its closing road instead of
    // waiting for a loop that nothing would end.
    void signalWhileTheStartBoxAsks()
    {
        const QString fileName = QSettings().fileName();
        QDir().mkpath(QFileInfo(fileName).path());
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Options]\nverbosity=2\n[Input]\nfile=\"/movies/a.avi\n[Output]\ntarget%20name=holiday\n");
        file.close();
        const auto removeCopies = qScopeGuard([&fileName] {
            for (const QString &kept : QDir(QFileInfo(fileName).path()).entryList({"*.damaged*"}))
                QFile::remove(QFileInfo(fileName).path() + "/" + kept);
        });
        QTimer neverEnds;
        neverEnds.setSingleShot(true);
        connect(&neverEnds, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        neverEnds.start(60000);
        ModalAnswerer answerer;
        int polls = 0;
        answerer.answerWith([&polls](QWidget *) {
            if (polls++ == 0)
                ::kill(::getpid(), SIGTERM);
            return false;
        });
        ApplicationShell shell;
        QCOMPARE(runShell(shell, [](MervoMainWindow *, int) {}), 0);
        QVERIFY(polls > 0);
        QCOMPARE(QSettings().value("Options/verbosity").toInt(), 2);
        QVERIFY(QSettings().contains("Main Window/size"));
    }

    // A folder in the settings file's place: nothing can be read, and every save fails; the
    // user hears of both, at the start and at the close.
    void unwritableSettingsTold()
    {
        const QString fileName = QSettings().fileName();
        QFile::remove(fileName);
        QVERIFY(QDir().mkpath(fileName));
        ModalAnswerer answerer;
        answerer.answerWith(QMessageBox::Ok);
        answerer.answerWith(QMessageBox::Ok);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^The engine paths could not be saved"));
        ApplicationShell shell;
        const int code = runShell(shell, [](MervoMainWindow *window, int) { window->exitAction->trigger(); });
        QDir(fileName).removeRecursively();
        QCOMPARE(code, 0);
        QCOMPARE(answerer.seen().size(), 2);
        QVERIFY(answerer.seen().at(0).text.startsWith("The settings file cannot be read"));
        QCOMPARE(answerer.seen().at(0).informativeText, "Settings file: " + fileName + " is a folder.");
        QVERIFY(answerer.seen().at(1).text.startsWith("The settings could not be saved."));
        QVERIFY(answerer.seen().at(1).informativeText.contains(fileName));
    }

    void closingWhileAJobRuns()
    {
        QTemporaryDir folder;
        const QString output = folder.path() + "/partial.mkv";
        EncodingTaskData data{2, 60.0, 0, 0.0, 0, output, QString("mkv"), false, QVariant()};
        ApplicationShell shell;
        QPointer<MervoMainWindow> shown;
        MervoTask *task = nullptr;
        int endState = -1; // the task goes with its window's job manager
        bool keptOpen = false;
        const int code = runShellAsUser(shell, [&](MervoMainWindow *window, int) {
            shown = window;
            task = startEncode(window, &data, folder.path(), output);
            QObject::connect(task, &Task::stateChanged, [&] { endState = task->state; });
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(output), kScreenWait);
            {
                ModalAnswerer answerer;
                answerer.answerWithButton("Don't close");
                QVERIFY(!window->close());
                QCOMPARE(answerer.seen().size(), 1);
                QVERIFY(answerer.seen().at(0).text.startsWith("Abort all running jobs, please confirm ?"));
                QCOMPARE(answerer.seen().at(0).informativeText,
                         QString("Encoding jobs still running, closing the application will abort them."));
            }
            keptOpen = window->isHidden() && window->jobManagerDialog()->isVisible()
                && task->state == Task::Running;
            checkScreenshot(window->jobManagerDialog(), "job-manager-after-dont-close");
            ModalAnswerer answerer;
            answerer.answerWithButton("Abort all and close");
            window->close();
        });
        QVERIFY(keptOpen);
        QCOMPARE(code, 0);
        QVERIFY(shown.isNull());
        QCOMPARE(endState, int(Task::Aborted));
        QVERIFY(!QFile::exists(output));
    }

    // "kill PID", a logout, or Ctrl+C or Ctrl+\ in the terminal that started the program
    // while an encode runs: the program ends by its closing road, asking nothing (a box
    // already open is dismissed): the job is aborted and its partial output removed, the
    // engine ended, the settings of the run saved.
    void signalTakesTheClosingRoad_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("when");
        QTest::newRow("SIGTERM while the job runs") << int(SIGTERM) << "running";
        QTest::newRow("SIGHUP while the job runs") << int(SIGHUP) << "running";
        QTest::newRow("SIGINT (Ctrl+C) while the job runs") << int(SIGINT) << "running";
        QTest::newRow("SIGQUIT (Ctrl+\\) while the job runs") << int(SIGQUIT) << "running";
        QTest::newRow("SIGTERM while the abort box asks") << int(SIGTERM) << "asking";
        QTest::newRow("SIGHUP with the window hidden beside its jobs") << int(SIGHUP) << "hidden";
        // Nobody answers a box then: the terminal says it.
        QTest::newRow("SIGTERM, the settings cannot be saved") << int(SIGTERM) << "unwritable";
        // The reader of the program's output gone (a launcher's log closed, "vexo | head")
        // ends nothing: the job runs on until a stop signal comes.
        QTest::newRow("SIGPIPE while the job runs, then SIGTERM") << int(SIGPIPE) << "reader gone";
    }
    void signalTakesTheClosingRoad()
    {
        QFETCH(int, number);
        QFETCH(QString, when);
        QTemporaryDir folder;
        const QString output = folder.path() + "/partial.mkv";
        EncodingTaskData data{2, 60.0, 0, 0.0, 0, output, QString("mkv"), false, QVariant()};
        QSettings().setValue("Options/verbosity", 1);
        // A folder in the settings file's place makes every save fail.
        const QString settingsFile = QSettings().fileName();
        const auto removeFolder = qScopeGuard([&] { QDir(settingsFile).removeRecursively(); });
        if (when == "unwritable")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^The settings could not be saved\\. The settings file .* "
                                                                  "cannot be written"));
        // A signal that never closes the window fails here instead of hanging the suite.
        QTimer neverEnds;
        neverEnds.setSingleShot(true);
        connect(&neverEnds, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        neverEnds.start(60000);
        ApplicationShell shell;
        MervoTask *task = nullptr;
        qint64 engine = 0;
        int endState = -1;
        int polls = 0;
        std::unique_ptr<ModalAnswerer> answerer;
        const int code = runShellAsUser(shell, [&](MervoMainWindow *window, int) {
            window->verboseAction->trigger();
            if (when == "unwritable") // since the start
                QVERIFY(QFile::remove(settingsFile) && QDir().mkpath(settingsFile));
            task = startEncode(window, &data, folder.path(), output);
            QObject::connect(task, &Task::stateChanged, [&] { endState = task->state; });
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(output), kScreenWait);
            engine = task->processId();
            answerer = std::make_unique<ModalAnswerer>();
            if (when == "hidden") {
                answerer->answerWithButton("Don't close");
                QVERIFY(!window->close());
                QVERIFY(window->isHidden());
            }
            if (when == "asking") {
                // The box stays open until the signal has dismissed it.
                answerer->answerWith([number, &polls](QWidget *) {
                    if (polls++ == 0)
                        ::kill(::getpid(), number);
                    return false;
                });
                window->close();
            } else {
                ::kill(::getpid(), number);
            }
            if (when == "reader gone") {
                QCoreApplication::processEvents();
                QVERIFY(window->isVisible() && task->state == Task::Running);
                ::kill(::getpid(), SIGTERM);
            }
        });
        QCOMPARE(code, 0);
        // No box but the ones the user had opened: the abort box, dismissed by the signal.
        QCOMPARE(answerer->seen().size(), when == "hidden" ? 1 : 0);
        QCOMPARE(polls > 0, when == "asking");
        QCOMPARE(endState, int(Task::Aborted));
        QVERIFY(!QFile::exists(output));
        // Ended by the closing road: left alone, the engine would encode in real time for
        // 60 s; a busy machine may take seconds to let it go.
        QTRY_VERIFY_WITH_TIMEOUT(processEnded(engine), 20000);
        if (when != "unwritable")
            QCOMPARE(QSettings().value("Options/verbosity").toInt(), 3);
    }

    // A close, or a stop signal, that arrives while the window handles events inside one of its
    // own routines (a nested loop) waits until the routine is over: nothing it uses goes from
    // under it. Delivered as the loop starts, after the window's log shows the line given;
    // the program then ends by its closing road.
    void closeInsideNestedLoops_data()
    {
        QTest::addColumn<QString>("road");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("after"); // the log's last line then
        QTest::addColumn<int>("arrival");   // 0: the window's close; else the signal
        const QString adding = "JobManager::keepWindowsPainted";
        QTest::newRow("twenty jobs added, close") << "twenty jobs" << adding << "" << 0;
        QTest::newRow("twenty jobs added, SIGTERM") << "twenty jobs" << adding << "" << int(SIGTERM);
        QTest::newRow("twenty jobs added, SIGINT") << "twenty jobs" << adding << "" << int(SIGINT);
        QTest::newRow("twenty jobs added, SIGHUP") << "twenty jobs" << adding << "" << int(SIGHUP);
        QTest::newRow("file opened, close") << "open" << "MainWindow::prepareLoading" << "" << 0;
        QTest::newRow("playback started, close") << "play" << "PlayerWidget::log" << "Start playback." << 0;
        QTest::newRow("Xvid finalized, close") << "xvid" << "EncoderWidget::log" << "Finalizing..." << 0;
    }
    void closeInsideNestedLoops()
    {
        QFETCH(QString, road);
        QFETCH(QString, site);
        QFETCH(QString, after);
        QFETCH(int, arrival);
        QTemporaryDir folder;
        startSettings(folder.path());
        QTimer neverEnds;
        neverEnds.setSingleShot(true);
        connect(&neverEnds, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        neverEnds.start(180000);
        // Twenty or more: the adds handle events once they have held the window a while,
        // which an optimised build may take more jobs to reach.
        constexpr int Jobs = 20;
        constexpr int MostJobs = 1000;
        QStringList outputs;
        QMap<QString, int> states;
        bool delivered = false;
        ModalAnswerer answerer;
        answerer.answerWithButton("Abort all and close");
        const auto watch = qScopeGuard([previous = NestedLoop::setEntryWatch({})] { NestedLoop::setEntryWatch(previous); });
        ApplicationShell shell;
        const int code = runShellAsUser(shell, [&](MervoMainWindow *window, int) {
            window->verboseAction->trigger();
            if (road != "twenty jobs" && road != "open") {
                FileChooserScript chooser;
                chooser.answer(TestMedia::standardAvi());
                window->openFileAction->trigger();
                QTRY_VERIFY_WITH_TIMEOUT(window->encoderWidget()->encodingSource().kind == 1, kScreenWait);
            }
            NestedLoop::setEntryWatch([&, window](const char *at) {
                if (delivered || site != at || !window->logView()->toPlainText().endsWith(after))
                    return;
                delivered = true;
                if (arrival == 0)
                    QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
                else
                    ::kill(::getpid(), arrival);
            });
            FileChooserScript chooser;
            chooser.answer(TestMedia::standardAvi());
            if (road == "open")
                window->openFileAction->trigger();
            else if (road == "play")
                window->playerWidget()->findChild<QPushButton *>("playButton")->click();
            else if (road == "xvid")
                window->encodeXvid1CDAction->trigger();
            auto *manager = qobject_cast<MervoJobManager *>(window->jobManager());
            // Followed from its start: a close inside the add may have freed a job by its end.
            connect(manager, &MervoJobManager::jobStarted, manager, [&](MervoJob *job) {
                MervoTask *task = job->tasks().first();
                connect(task, &Task::stateChanged, task, [&states, task] { states[task->outputPath()] = task->state; });
            });
            const QPointer<MervoMainWindow> guard(window);
            for (int i = 0; road == "twenty jobs" && (i < Jobs || (!delivered && i < MostJobs)) && guard; ++i) {
                outputs << folder.filePath(QString("job-%1.avi").arg(i));
                manager->addEngineJob("/bin/sh", {"-c", "printf x > \"$1\"; exec sleep 600", "sh", outputs.last()},
                                      outputs.last(), "Encoding", QString("Job %1").arg(i), QString("FFmpeg"), 0, 600.0);
            }
        });
        QCOMPARE(code, 0);
        QVERIFY(delivered);
        // The closing road: the settings saved, the jobs aborted and their partial outputs
        // removed, a finished encoding kept.
        QVERIFY(QSettings().contains("Main Window/size"));
        if (road == "twenty jobs") {
            for (const QString &output : std::as_const(outputs)) {
                QCOMPARE(states.value(output), int(Task::Aborted));
                QVERIFY2(!QFile::exists(output), qPrintable(output));
            }
        }
        if (road == "open")
            QVERIFY(QSettings().value("Input/recent").toStringList().join(' ').contains(TestMedia::standardAvi()));
        if (road == "xvid")
            QVERIFY(QFileInfo(folder.filePath("standard.avi")).size() > 0);
    }

    // A close, or a stop signal, while a job's output is checked by a meter whose engine makes
    // no progress (FFmpeg decoding its copied sound) or would go on long (FFprobe listing its
    // packets): the check stops at once and the window closes, the meter's engine ended
    // before its own end; the output is kept and the log says what was not checked, and why.
    // A job that ends during the check waits for it: no check starts inside another.
    void closeDuringTheEndCheck_data()
    {
        QTest::addColumn<int>("arrival"); // 0: the window's close; else the signal
        QTest::addColumn<QString>("meter");
        QTest::addColumn<QStringList>("unchecked");
        const QStringList decoding{"copied sound", "length"};
        QTest::newRow("close, FFmpeg decoding") << 0 << "ffmpeg" << decoding;
        QTest::newRow("SIGTERM, FFmpeg decoding") << int(SIGTERM) << "ffmpeg" << decoding;
        QTest::newRow("SIGINT, FFprobe listing") << int(SIGINT) << "ffprobe" << QStringList{"length"};
        QTest::newRow("SIGHUP, FFprobe listing") << int(SIGHUP) << "ffprobe" << QStringList{"length"};
    }
    void closeDuringTheEndCheck()
    {
        QFETCH(int, arrival);
        QFETCH(QString, meter);
        QFETCH(QStringList, unchecked);
        QTemporaryDir folder;
        startSettings(folder.path());
        // The meter's engine as the meters find it notes each start; FFmpeg's decode stalls,
        // FFprobe's listing goes on for 40 s and then notes its own end.
        const QString started = folder.filePath("meter.started");
        const QString stand = meter == "ffmpeg"
            ? QString("*\"-f null\"*) echo $$ >> '%1'; exec '%2' wait-for '%1.release';;").arg(started, TestMedia::fakeEngine())
            : QString("*-read_intervals*) echo $$ >> '%1'; i=0; while [ $i -lt 200 ]; do echo '[PACKET]'; sleep 0.2; "
                      "i=$((i+1)); done; : > '%1.ended'; exit 1;;").arg(started);
        QSettings().setValue("Core/Interfaces/" + meter,
                             writeEngineScript("stuck-meter-" + meter, QString("case \"$*\" in %1 esac\nexec %2 \"$@\"").arg(stand, meter)));
        // No patience runs out first: only a close ends the check.
        const auto patience = qScopeGuard([outer = OutputMeter::setPatience(600000)] { OutputMeter::setPatience(outer); });
        QTimer neverEnds;
        neverEnds.setSingleShot(true);
        connect(&neverEnds, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        neverEnds.start(180000);
        ModalAnswerer answerer;
        answerer.answerWithButton("Abort all and close");
        const QString output = folder.filePath("copied.mkv");
        QString verdict;
        bool delivered = false;
        QTimer watch;
        ApplicationShell shell;
        const int code = runShellAsUser(shell, [&](MervoMainWindow *window, int) {
            auto *manager = qobject_cast<MervoJobManager *>(window->jobManager());
            connect(manager, &MervoJobManager::processFinished, window, [&, window] { verdict = window->logView()->toPlainText(); });
            manager->addEngineJob(kFFmpeg, {"-nostdin", "-i", TestMedia::standardAvi(), "-c", "copy", output}, output,
                                  "Re-muxing", "copied", QString("FFmpeg"), 0, TestMedia::probeDuration(TestMedia::standardAvi()));
            // Once the meter runs, a second job that ends then; the close or signal comes after its end.
            connect(&watch, &QTimer::timeout, window, [&, window, manager] {
                if (delivered || QFileInfo(started).size() == 0)
                    return;
                delivered = true;
                const QString go = folder.filePath("second.go");
                MervoJob *second = manager->addEngineJob("/bin/sh", {"-c", "while [ ! -e \"$2\" ]; do sleep 0.02; done; printf x > \"$1\"",
                                                                     "sh", folder.filePath("second.avi"), go},
                                                         folder.filePath("second.avi"), "Encoding", "second", QString("FFmpeg"), 0, 10.0);
                connect(second->tasks().first()->process, &QProcess::finished, window, [window, arrival] {
                    if (arrival == 0)
                        window->close();
                    else
                        ::kill(::getpid(), arrival);
                }, Qt::QueuedConnection);
                QFile(go).open(QIODevice::WriteOnly);
            });
            watch.start(20);
        });
        QFile pids(started);
        QVERIFY(pids.open(QIODevice::ReadOnly));
        const QList<QByteArray> meters = pids.readAll().trimmed().split('\n');
        QCOMPARE(code, 0);
        QVERIFY(delivered);
        QCOMPARE(meters.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(processEnded(meters.first().toLongLong()), kScreenWait);
        QVERIFY(!QFile::exists(started + ".ended"));
        QVERIFY(QFileInfo(output).size() > 0);
        for (const QString &part : unchecked)
            QVERIFY2(verdict.contains(QString("]: its %1 was not checked: the check was stopped as the program closed.").arg(part)),
                     qPrintable(verdict));
    }

    // The real program with its output piped to a reader that goes away (a launcher's log
    // closed, "vexo | head"): it writes on into the closed pipe, and a "kill PID" then ends
    // it by its closing road, its settings saved. The engines it
    // starts still end at SIGPIPE by default, as from a terminal.
    void programOutlivesItsReader()
    {
        QTemporaryDir folder;
        const QString config = folder.path() + "/config";
        const QString dispositions = folder.path() + "/ffmpeg-status";
        // FFmpeg as the program finds it in its settings: a script that notes what it was
        // given, then runs the real one.
        const QString ffmpeg = folder.path() + "/ffmpeg";
        {
            QFile script(ffmpeg);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\ncat /proc/$$/status > '" + QFile::encodeName(dispositions)
                         + "'\nexec ffmpeg \"$@\"\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            const QString settingsFile = config + "/vexo-media.org/Vexo 4.0 Mervo Edition.conf";
            QSettings settings(settingsFile, QSettings::IniFormat);
            settings.setValue("Core/Interfaces/ffmpeg", ffmpeg);
        }
        // The program writes into a pipe whose reader stops at the line that tells its first
        // engine start (the shell has taken the stop signals by then): the rest of its
        // start-up output finds the pipe closed. Its number and its end are noted aside.
        const QString noted = folder.path() + "/program";
        QProcess reader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", config);
        environment.insert("QT_LOGGING_RULES", "vexo.console.debug=true"); // its start on the terminal
        reader.setProcessEnvironment(environment);
        reader.start("sh", {"-c",
                            "sh -c '\"$0\" & echo $! > \"$1\"; wait $!; echo $? > \"$1.end\"' \"$0\" \"$1\" 2>&1"
                            " | sed '/start interface/q'",
                            VEXO_PROGRAM, noted});
        QByteArray read;
        while (!read.contains("start interface") && reader.waitForReadyRead(120000))
            read += reader.readAllStandardOutput();
        QVERIFY2(read.contains("start interface"), read.constData());
        QFile number(noted);
        QTRY_VERIFY_WITH_TIMEOUT(number.size() > 0, kScreenWait);
        QVERIFY(number.open(QIODevice::ReadOnly));
        ::kill(pid_t(number.readAll().trimmed().toLongLong()), SIGTERM);
        QVERIFY(reader.waitForFinished(120000));
        QFile end(noted + ".end");
        QVERIFY(end.open(QIODevice::ReadOnly));
        QCOMPARE(end.readAll().trimmed(), QByteArray("0"));
        const QSettings saved(config + "/vexo-media.org/Vexo 4.0 Mervo Edition.conf", QSettings::IniFormat);
        QVERIFY(saved.contains("Main Window/size"));
        QCOMPARE(saved.value("Core/Interfaces/ffmpeg").toString(), ffmpeg);
        QFile status(dispositions);
        QVERIFY(status.open(QIODevice::ReadOnly));
        QVERIFY(takesDefault(status.readAll(), SIGPIPE));
    }

private:
    // Whether a process's status (/proc/PID/status) says that it takes a signal's default
    // action: neither ignored nor caught.
    static bool takesDefault(const QByteArray &status, int number)
    {
        const quint64 bit = quint64(1) << (number - 1);
        int masks = 0;
        for (const QByteArray &line : status.split('\n')) {
            if (!line.startsWith("SigIgn:") && !line.startsWith("SigCgt:"))
                continue;
            ++masks;
            if (line.mid(7).trimmed().toULongLong(nullptr, 16) & bit)
                return false;
        }
        return masks == 2;
    }

    // Gone, or a zombie nobody has reaped.
    static bool processEnded(qint64 pid)
    {
        QFile stat(QString("/proc/%1/stat").arg(pid));
        if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
            return pid > 0;
        const QByteArray line = stat.readAll();
        return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
    }

    static bool EnginePathsFilterShows(const QString &filter)
    {
        return EnginePaths::filterAccepts(filter, "mplayer") && EnginePaths::filterAccepts(filter, "ffmpeg");
    }
};

VEXO_TEST_CLASS(TestMainWindow)
#include "tst_mainwindow.moc"
