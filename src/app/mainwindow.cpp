#include "app/mainwindow.h"
#include "app/shellsettings.h"

#include "app/appidentity.h"
#include "app/applogging.h"
#include "app/enginereadiness.h"
#include "app/mainwidget.h"
#include "encoder/encoder.h"
#include "encoder/records/enginetype.h"
#include "encoder/trialwatch.h"
#include "encoding/advancedmonitorwidget.h"
#include "encoding/encoderwidget.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/screenkeeper.h"
#include "encoding/windowplacement.h"
#include "engines/engineobjects.h"
#include "engines/playerstatus.h"
#include "engines/syncrunner.h"
#include "jobs/console.h"
#include "jobs/infoboxdialog.h"
#include "jobs/jobmanager.h"
#include "jobs/nestedloop.h"
#include "jobs/outputcheck.h"
#include "jobs/valuetext.h"
#include "jobs/widgetbridge.h"
#include "player/playerwidget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSettings>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>

namespace {
// How often a close that waits for a load, a trial or a box asks again.
constexpr int kCloseRetryMs = 50;
constexpr int PlayerWidth = 320;
constexpr int PlayerHeight = 240;

QTextEdit *newConsoleView()
{
    auto *view = new QTextEdit;
    view->setReadOnly(true);
    return view;
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(PartsBuilder(), parent)
{
}

MainWindow::MainWindow(const PartsBuilder &builder, QWidget *parent)
    : QMainWindow(parent)
    , m_console(EngineObjects::console())
{
    m_preferences.reset();
    setAttribute(Qt::WA_DeleteOnClose);
    m_windowTitle = tr("%1").arg(AppIdentity::productTitle());
    setWindowTitle(m_windowTitle);
    setObjectName(QStringLiteral("MainWindow"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);

    setDefaultEnginePaths();
    readWindowSettings();
    readOptionSettings();
    readInputOutputSettings();
    readPreferenceSettings();
    // Before the panels are built, so that each queries its engines once, with its paths.
    builder.readEnginePaths(m_paths);

    createActions();
    createMenus();
    createStatusBar();
    createWidgets(builder);
    changeZoom();
    m_console->setSinks(m_stdInView, m_stdOutView, m_stdErrView, m_logView);
    m_console->setVerbosity(m_verbosity);
    updateRecentMenu();
    connectWidgets();

    statusBar()->setSizeGripEnabled(false);
    // Shown again after "Don't close", the window comes back within its screen.
    new ScreenKeeper(this);
    applyVerbosity();
    QAction *checked = m_verbosity == 1 ? quietAction : m_verbosity == 2 ? normalAction : verboseAction;
    checked->setChecked(true);
}

MainWindow::~MainWindow()
{
    // The console outlives the window: it must not write to the views deleted below.
    if (m_console->logView() == m_logView)
        m_console->setSinks(nullptr, nullptr, nullptr, nullptr);
    // The panels log while they end (the player panel stops a playback that still runs):
    // they go before the views they write to.
    delete m_mainWidget;
    // The next window's jobs are checked again.
    OutputCheck::setStopped(false);
    // The job manager window and the monitor are windows of their own, without a parent.
    delete m_jobManagerDialog;
    delete m_monitor;
    delete m_logView;
    delete m_stdInView;
    delete m_stdOutView;
    delete m_stdErrView;
}

void MainWindow::createStatusBar()
{
    m_statusLabel = new QLabel(tr("Ready"));
    m_statusLabel->setMinimumSize(m_statusLabel->sizeHint());
    statusBar()->addWidget(m_statusLabel, 0);
}

void MainWindow::PartsBuilder::readEnginePaths(QString *) const
{
}

JobManager *MainWindow::PartsBuilder::jobManager(const Places &places) const
{
    const EncoderPreferences &encoder = places.preferences->encoder;
    return new JobManager(places.stdIn, places.stdOut, places.stdErr, places.log, places.verbosity,
                          encoder.latencyStart, encoder.latencyFinished, encoder.latencyKill);
}

JobManagerDialog *MainWindow::PartsBuilder::jobManagerDialog(const Places &places,
                                                             JobManager *manager) const
{
    auto *dialog =
        new JobManagerDialog(tr("%1 - Job manager").arg(AppIdentity::productTitle()), places.window);
    dialog->view()->setJobManager(manager);
    return dialog;
}

PlayerWidget *MainWindow::PartsBuilder::playerWidget(const Places &places) const
{
    const QString *paths = places.paths;
    return new PlayerWidget(places.window, paths[EnginePaths::MPlayer], paths[EnginePaths::MediaInfo],
                            paths[EnginePaths::FFprobe], places.stdIn, places.stdOut, places.stdErr,
                            places.log, places.verbosity, &places.preferences->player, places.window);
}

EncoderWidget *MainWindow::PartsBuilder::encoderWidget(const Places &places, JobManager *manager) const
{
    const QString *paths = places.paths;
    return new EncoderWidget(places.window, manager, paths[EnginePaths::FFmpeg],
                             paths[EnginePaths::MEncoder], places.stdIn, places.stdOut,
                             places.stdErr, places.log, places.verbosity,
                             &places.preferences->encoder, places.window);
}

void MainWindow::createWidgets(const PartsBuilder &builder)
{
    m_monitor = new AdvancedMonitorWidget(this, nullptr);
    m_logView = newConsoleView();
    m_stdInView = newConsoleView();
    m_stdOutView = newConsoleView();
    m_stdErrView = newConsoleView();
    m_monitor->addMonitor(tr("Log:"), m_logView);
    m_monitor->addMonitor(tr("Process Input Channel:"), m_stdInView);
    m_monitor->addMonitor(tr("Process Output Channel:"), m_stdOutView);
    m_monitor->addMonitor(tr("Process Error Channel:"), m_stdErrView);
    for (QTextEdit *view : {m_logView, m_stdOutView, m_stdErrView})
        m_monitor->setLineWrap(view, QTextEdit::NoWrap);

    const Places places{this, m_paths, m_stdInView, m_stdOutView, m_stdErrView, m_logView,
                        m_verbosity, &m_preferences, m_consoleButton};
    m_jobManager = builder.jobManager(places);
    m_jobManager->setParent(this);

    m_jobManagerDialog = builder.jobManagerDialog(places, m_jobManager);
    m_jobManagerDialog->setVerbosity(m_verbosity);
    m_jobManagerWidget = m_jobManagerDialog->view();
    m_jobManagerWidget->setConsoleButton(!m_consoleButton);

    m_playerWidget = builder.playerWidget(places);
    m_playerWidget->resize(PlayerWidth, PlayerHeight);

    m_encoderWidget = builder.encoderWidget(places, m_jobManager);
    m_encoderWidget->setPlayerSetup(this, m_paths[EnginePaths::MPlayer],
                                    m_paths[EnginePaths::MediaInfo], m_paths[EnginePaths::FFprobe],
                                    m_stdInView, m_stdOutView, m_stdErrView, m_logView,
                                    m_verbosity, &m_preferences.player);
    m_encoderWidget->setConsoleButton(m_consoleButton);

    m_mainWidget = new MainWidget(m_playerWidget, m_encoderWidget, this);
    setCentralWidget(m_mainWidget);
}

void MainWindow::connectWidgets()
{
    connect(m_monitor, &AdvancedMonitorWidget::hidden, this, &MainWindow::updateAdvancedMonitorMenu);
    connect(m_monitor, &AdvancedMonitorWidget::visible, this, &MainWindow::updateAdvancedMonitorMenu);
    // Plain jobs of the job manager; the extended window routes its multi-task jobs.
    connect(m_jobManager, &JobManager::processStarted, this, &MainWindow::startProcessConsole);
    connect(m_jobManager, qOverload<Process *>(&JobManager::processStdOutReady), this,
            &MainWindow::readJobProcessStdOut);
    connect(m_jobManager, qOverload<Process *>(&JobManager::processStdErrReady), this,
            &MainWindow::readJobProcessStdErr);
    connect(m_jobManager, qOverload<Process *, int, QProcess::ExitStatus>(&JobManager::processFinished),
            this, &MainWindow::finishJobProcess);
    connect(m_jobManagerDialog, &JobManagerDialog::hidden, this, &MainWindow::updateJobManagerMenu);
    connect(this, &MainWindow::encodingComplete, m_encoderWidget, &EncoderWidget::finalizeEncoding);
    connect(m_playerWidget, &PlayerWidget::guiSizeAdjustRequest, m_mainWidget, &MainWidget::adjustGuiSize);
    connect(m_mainWidget, &MainWidget::guiSizeAdjustRequest, this, &MainWindow::adjustGuiSize);
    connect(this, &MainWindow::movieLoaded, this, &MainWindow::onMovieLoaded);
    WidgetBridge *bridge = WidgetBridge::instance();
    connect(bridge, qOverload<const QString &, bool>(&WidgetBridge::sendMessage), this,
            qOverload<const QString &, bool>(&MainWindow::processBridgeMessage));
    connect(bridge, qOverload<const QString &, int>(&WidgetBridge::sendMessage), this,
            qOverload<const QString &, int>(&MainWindow::processBridgeMessage));
    connect(bridge, qOverload<const QString &, void *>(&WidgetBridge::sendMessage), this,
            qOverload<const QString &, void *>(&MainWindow::processBridgeMessage));
    // A load that waits on the storage its source is on says so while it waits.
    connect(m_playerWidget, &PlayerWidget::storageWaitChanged, this, [this](bool waiting) {
        statusBar()->showMessage(waiting ? tr("%1: waiting for the disk or network share it is on, which reads "
                                              "slowly...").arg(m_loadingText)
                                         : m_loadingText);
    });
    connect(m_playerWidget, &PlayerWidget::stateChanged, this, &MainWindow::enableVideoOpenActions);
    connect(m_playerWidget, &PlayerWidget::selectionChanged, this, &MainWindow::updateEncoderInput);
    connect(m_playerWidget, &PlayerWidget::selectionChanged, this, &MainWindow::updateJobMenu);
    // A command's trial, from the panel's Start or a menu job: the window says that it runs,
    // also under another message (an entry's tip, shown while the mouse is over it), and why
    // a click or a key does nothing meanwhile.
    connect(TrialWatch::instance(), &TrialWatch::started, this, [this](const QString &text) {
        m_statusLabel->setText(text);
        statusBar()->showMessage(text);
    });
    connect(TrialWatch::instance(), &TrialWatch::refused, this,
            [this](const QString &text) { statusBar()->showMessage(text, ResultTimeout); });
    connect(TrialWatch::instance(), &TrialWatch::ended, this, [this] {
        m_statusLabel->setText(tr("Ready"));
        statusBar()->clearMessage();
    });
}

void MainWindow::initialize()
{
    m_encoderWidget->initEncoder();
    m_encoderWidget->setTarget(m_targetFolder, m_targetName);
    setCapabilityEntries();
    mediaInfoAction->setEnabled(false);
    readMonitorSettings();
    updateAdvancedMonitorMenu();
    checkEnginesReady();
    enablePlayerCapability();
}

void MainWindow::enablePlayerCapability()
{
    playerCapabilityAction->setEnabled(m_playerWidget->isReady(false));
    // The font-cache run waits for MPlayer to scan the fonts (a minute on a first run): the
    // window shows first, and the run's own progress window then shows over it. A timer of
    // the window's: a window closed meanwhile runs nothing; one closed while the run handles
    // its events stops the run and goes once the run has returned here.
    QTimer::singleShot(0, this, [this] {
        const DeletionHold hold(this);
        playerCapabilityAction->setEnabled(m_playerWidget->isReady(true));
    });
}

void MainWindow::setCapabilityEntries()
{
    ffmpegCapabilityAction->setEnabled(encoder()->isEngineReady(EngineType::FFmpeg));
    mencoderCapabilityAction->setEnabled(encoder()->isEngineReady(EngineType::MEncoder));
}

Encoder *MainWindow::encoder() const
{
    return m_encoderWidget->encoder();
}

namespace {
// Each out-value is true when that engine's last status run left it ready; runs nothing.
void playerEnginesReady(const PlayerWidget *panel, bool *player, bool *mediaInfo, bool *ffprobe)
{
    *player = panel->playerStatus().state == InterfaceStatus::Ready;
    *mediaInfo = panel->mediaInfoStatus().state == InterfaceStatus::Ready;
    *ffprobe = panel->ffprobeStatus().state == InterfaceStatus::Ready;
}
} // namespace

void MainWindow::log(const QString &text, int level)
{
    if (!m_logView) {
        qCDebug(lcApp) << "MainWindow Log:" << text;
        return;
    }
    if (level <= m_verbosity)
        Console::appendPlain(m_logView, text);
}

void MainWindow::applyVerbosity()
{
    for (QTextEdit *view : {m_stdInView, m_stdOutView, m_stdErrView}) {
        if (m_verbosity == 1)
            m_monitor->hideChannel(view);
        else
            m_monitor->showChannel(view);
    }
    m_encoderWidget->setVerbosity(m_verbosity);
    m_playerWidget->setVerbosity(m_verbosity);
    m_jobManagerDialog->setVerbosity(m_verbosity);
}

void MainWindow::adjustGuiSize()
{
    adjustSize();
    // A larger picture grows the window downwards: it stays on its screen.
    WindowPlacement::keepOnScreen(this);
    // The picture's growth may have come from a resize within the panels' own layout pass,
    // which then goes on with the places it had reckoned before: laid out again afterwards,
    // the encoder panel does not stay where the smaller picture ended.
    m_mainWidget->layout()->invalidate();
}

void MainWindow::processBridgeMessage(const QString &message, bool value)
{
    if (message == QLatin1String("changeTestMode")) {
        m_preferences.encoder.testMode = value;
        m_preferences.player.testMode = value;
    }
}

void MainWindow::processBridgeMessage(const QString &message, int value)
{
    if (message == QLatin1String("changeVolume")) {
        m_preferences.encoder.volumeCorrection = value;
        m_preferences.player.volume = value;
    }
}

void MainWindow::processBridgeMessage(const QString &message, void *data)
{
    if (message == QLatin1String("changeEncoderPreferences") && data)
        m_preferences.encoder = *static_cast<const EncoderPreferences *>(data);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (monitorAction && monitorAction->isChecked())
        m_monitor->show();
}

void MainWindow::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    if (monitorAction && monitorAction->isChecked()) {
        m_monitor->hide();
        // Hidden with the window, not by the user: the entry stays checked.
        monitorAction->setChecked(true);
    }
}

bool MainWindow::confirmAbortJobs()
{
    // The job view knows the jobs it shows; a queued job without a view yet still runs.
    if (m_jobsAbortConfirmed || (m_jobManagerDialog->isIdle() && m_jobManager->isIdle()))
        return true;
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Question);
    box.setText(tr("Abort all running jobs, please confirm ?"));
    box.setInformativeText(tr("Encoding jobs still running, closing the application will abort them."));
    box.addButton(tr("Abort all and close"), QMessageBox::AcceptRole);
    box.addButton(tr("Don't close"), QMessageBox::RejectRole);
    // A signal that came while the box was open dismissed it: the jobs go all the same.
    m_jobsAbortConfirmed = box.exec() == 0 || m_closeOnSignal;
    return m_jobsAbortConfirmed;
}

bool MainWindow::closeMustWait() const
{
    // A routine that handles events in a nested loop goes on with this window's parts once
    // the loop has returned.
    if (m_closing || NestedLoop::active() || PlayerWidget::loadsInProgress() > 0 || SyncRunner::LoadScope::active())
        return true;
    // A box of this window runs its own event loop inside a routine of this window, which
    // goes on once the box is answered: the window must still be there then.
    for (const QWidget *widget = QApplication::activeModalWidget(); widget; widget = widget->parentWidget()) {
        if (widget == this)
            return true;
    }
    return false;
}

void MainWindow::retryClose()
{
    if (m_closeRetryPending)
        return;
    m_closeRetryPending = true;
    QTimer::singleShot(kCloseRetryMs, this, [this] {
        m_closeRetryPending = false;
        if (m_closed)
            return;
        if (m_closeOnSignal)
            dismissBoxes();
        close();
    });
}

void MainWindow::dismissBoxes()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (!window->isVisible() || !window->isModal() || window == this)
            continue;
        for (QWidget *widget = window->parentWidget(); widget; widget = widget->parentWidget()) {
            if (widget != this)
                continue;
            // Closed as its close box would close it (a message box gives its own "no"); a
            // dialog that refuses that is rejected.
            window->close();
            auto *dialog = qobject_cast<QDialog *>(window);
            if (dialog && dialog->isVisible())
                dialog->reject();
            break;
        }
    }
}

void MainWindow::closeOnSignal()
{
    m_closeOnSignal = true;
    m_jobsAbortConfirmed = true;
    retryClose();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The jobs' end checks stop at once (each keeps its output, saying what it did not
    // check): a close neither waits for their engines nor for any check that would follow.
    OutputCheck::setStopped(true);
    // A load in progress (or a split's analysis, a command's trial, an end check) runs inside
    // this window's event handling: the window closes once it is over (a DVD load stops
    // before its next title, a trial and a font-cache run at once).
    if (closeMustWait()) {
        event->ignore();
        m_playerWidget->stopLoadDvd();
        TrialWatch::instance()->cancel();
        m_playerWidget->stopUpdateFontCache();
        retryClose();
        return;
    }
    const QScopedValueRollback<bool> closing(m_closing, true);
    if (!confirmAbortJobs()) {
        OutputCheck::setStopped(false);
        event->ignore();
        if (!m_encoderWidget->isRunning()) {
            hide();
            m_jobManagerDialog->show();
            showJobManagerAction->setChecked(true);
        }
        return;
    }
    m_encoderWidget->setSaveSettingsOnExit(m_saveSettingsOnExit);
    if (m_saveSettingsOnExit) {
        const bool saved = saveSettings();
        if (!saveEditionSettings() || !saved)
            tellSettingsNotSaved();
    }
    m_monitor->close();
    m_jobManagerDialog->closeForGood();
    // A font-cache run under this close would keep the window (DeletionHold) for its minute.
    m_playerWidget->stopUpdateFontCache();
    waitForKilledJobs();
    m_closed = true;
    event->accept();
}

MainWindow::DeletionHold::DeletionHold(MainWindow *window)
    : m_window(window)
{
    ++m_window->m_deletionHolds;
}

MainWindow::DeletionHold::~DeletionHold()
{
    --m_window->m_deletionHolds;
    m_window->releaseDeletion();
}

void MainWindow::releaseDeletion()
{
    if (m_deletionHolds == 0 && m_deletionHeld && !NestedLoop::active()) {
        m_deletionHeld = false;
        deleteLater();
    }
}

bool MainWindow::event(QEvent *event)
{
    // A deletion asked for before a routine's nested loop started is carried out by that
    // loop, before the routine goes on; as one asked inside a held routine.
    if (event->type() == QEvent::DeferredDelete && (m_deletionHolds > 0 || NestedLoop::active())) {
        m_deletionHeld = true;
        NestedLoop::afterwards(this, [this] { releaseDeletion(); });
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::waitForKilledJobs()
{
    // The extended job manager kills without waiting: each end is recorded (the task aborted,
    // its partial output removed) when it arrives. The manager goes with this window, so
    // the ends are awaited here, up to the kill time-out.
    QElapsedTimer clock;
    clock.start();
    while (!m_jobManager->isIdle() && clock.elapsed() < m_preferences.encoder.latencyKill)
        NestedLoop::processEvents("MainWindow::waitForKilledJobs", QEventLoop::AllEvents, 20);
}

void MainWindow::clearSettingsAndRestart(const QString &otherApplicationName)
{
    // Clearing restarts the program in place, which closes this window: running jobs would
    // be aborted, so the user is asked about them first.
    if (!confirmAbortJobs())
        return;
    InfoBoxDialog box(this);
    box.narrow = true;
    box.setIcon(QMessageBox::Question);
    box.setText(tr("Clear all settings and restart the application, please confirm ?"));
    box.setInformativeText(tr("After restarting the application will be like after a fresh install."));
    box.addButton(tr("Clear settings and restart"), QMessageBox::AcceptRole);
    box.addButton(tr("Cancel"), QMessageBox::RejectRole);
    if (box.exec() != 0) {
        m_jobsAbortConfirmed = false;
        return;
    }
    QSettings store;
    store.clear();
    store.sync();
    // The other edition's store is cleared only where it is a file: reading a named pipe
    // would hold the window for ever, and a save replaces a device that a link names.
    const QString otherOrganization = QLatin1String(AppIdentity::kOtherEditionOrganization);
    if (ShellSettings::irregularFile(ShellSettings::storeFiles(otherOrganization, otherApplicationName)).isEmpty()) {
        QSettings other(otherOrganization, otherApplicationName);
        other.clear();
        other.sync();
    }
    m_saveSettingsOnExit = false;
    // The loop can only end once a font-cache run that handles events under it is over.
    m_playerWidget->stopUpdateFontCache();
    QCoreApplication::exit(AppIdentity::kRestartExitCode);
}

void MainWindow::clearAllSettings()
{
    clearSettingsAndRestart(tr("%1").arg(AppIdentity::productTitle()));
}

bool MainWindow::enginesReady()
{
    bool ffmpeg = false;
    bool mencoder = false;
    m_encoderWidget->enginesReady(ffmpeg, mencoder);
    bool backEnd = false;
    bool mediaInfo = false;
    bool ffprobe = false;
    playerEnginesReady(m_playerWidget, &backEnd, &mediaInfo, &ffprobe);
    return ffmpeg && mencoder && backEnd && mediaInfo && ffprobe;
}

void MainWindow::checkEnginesReady()
{
    // The base check: FFmpeg, FFprobe, MEncoder, MPlayer, MediaInfo in the box; the log in
    // the order FFmpeg, MEncoder, MPlayer, MediaInfo, FFprobe.
    bool ffmpeg = false, mencoder = false, backEnd = false, mediaInfo = false, ffprobe = false;
    m_encoderWidget->enginesReady(ffmpeg, mencoder);
    playerEnginesReady(m_playerWidget, &backEnd, &mediaInfo, &ffprobe);
    const EngineReadiness::Item ffmpegItem = encoderItem(EngineType::FFmpeg, ffmpeg);
    const EngineReadiness::Item mencoderItem = encoderItem(EngineType::MEncoder, mencoder);
    const EngineReadiness::Item playerItem = playerItems(backEnd, mediaInfo, ffprobe).at(0);
    const EngineReadiness::Item mediaInfoItem = playerItems(backEnd, mediaInfo, ffprobe).at(1);
    const EngineReadiness::Item ffprobeItem = playerItems(backEnd, mediaInfo, ffprobe).at(2);
    const QList<EngineReadiness::Item> boxItems{ffmpegItem, ffprobeItem, mencoderItem, playerItem,
                                                mediaInfoItem};
    const QList<EngineReadiness::Item> logItems{ffmpegItem, mencoderItem, playerItem,
                                                mediaInfoItem, ffprobeItem};
    reportReadiness(boxItems, logItems);
}

EngineReadiness::Item MainWindow::encoderItem(int type, bool ready) const
{
    return {engineTypeName(type), ready, encoder()->engineVersion(type), encoder()->engineBinary(type),
            EngineReadiness::lackOf(encoder()->interfaceStatus(type))};
}

QList<EngineReadiness::Item> MainWindow::playerItems(bool backEnd, bool mediaInfo, bool ffprobe) const
{
    const PlayerStatus backEndStatus = m_playerWidget->playerStatus();
    const InterfaceStatus mediaInfoStatus = m_playerWidget->mediaInfoStatus();
    const InterfaceStatus ffprobeStatus = m_playerWidget->ffprobeStatus();
    return {{playerTypeName(1), backEnd, m_playerWidget->utilityVersion(1), m_playerWidget->utilityBinary(1),
             EngineReadiness::lackOf(&backEndStatus)},
            {QStringLiteral("MediaInfo"), mediaInfo, m_playerWidget->utilityVersion(4),
             m_playerWidget->utilityBinary(4), EngineReadiness::lackOf(&mediaInfoStatus)},
            {QStringLiteral("FFprobe"), ffprobe, m_playerWidget->utilityVersion(2), m_playerWidget->utilityBinary(2),
             EngineReadiness::lackOf(&ffprobeStatus)}};
}

void MainWindow::askLateEnginesAgain()
{
    for (int type : {EngineType::FFmpeg, EngineType::MEncoder}) {
        const InterfaceStatus *status = encoder()->interfaceStatus(type);
        if (status && status->late)
            m_encoderWidget->setEngineBinPath(type, encoder()->engineBinary(type));
    }
    m_playerWidget->askLateEnginesAgain();
}

void MainWindow::reportReadiness(const QList<EngineReadiness::Item> &boxItems,
                                 const QList<EngineReadiness::Item> &logItems)
{
    const bool ready = EngineReadiness::allReady(boxItems);
    const bool untold = EngineReadiness::untold(boxItems, m_notReadyTold);
    if (!ready && !untold) {
        statusBar()->showMessage(tr("Player and encoder are NOT ready: %1.").arg(EngineReadiness::notReadyNames(boxItems)));
    } else if (!ready) {
        InfoBoxDialog box(this);
        box.setTextFormat(Qt::RichText);
        box.setText(tr("<u>Player and encoder are NOT ready.</u>"));
        box.setInformativeText(EngineReadiness::informativeText(boxItems, AppIdentity::productTitle()));
        box.exec();
    }
    for (const QString &line : EngineReadiness::logLines(logItems))
        log(line, 2);
    log(EngineReadiness::summaryLine(ready), 1);
    log(EngineReadiness::rule(), 1);
    // Only the five engines every window needs lock it; x264 and MKVmerge do not.
    if (!enginesReady()) {
        emit movieLoaded(-1);
        m_playerWidget->setControlsEnabled(false);
        m_playerWidget->setTrackSelectionEnabled(false);
    }
}
