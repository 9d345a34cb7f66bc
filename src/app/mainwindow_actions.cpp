// The main window's actions and menus, and the handlers that act on the window itself.

#include "app/appidentity.h"
#include "encoder/encoder.h"
#include "encoder/records/enginetype.h"
#include "encoding/encoderwidget.h"
#include "app/encodercapabilitydialog.h"
#include "app/encoderstatusdialog.h"
#include "app/helpboxes.h"
#include "app/mainwidget.h"
#include "app/mainwindow.h"
#include "app/softwareupdatedialog.h"
#include "app/playercapabilitydialog.h"
#include "app/playerstatusdialog.h"
#include "app/preferencesdialog.h"
#include "app/utilitystatusdialog.h"
#include "engines/playercapabilities.h"
#include "engines/playerstatus.h"
#include "encoding/advancedmonitorwidget.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/windowplacement.h"
#include "jobs/console.h"
#include "player/playerwidget.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {
using Slot = void (MainWindow::*)();

// One menu entry: where its pointer lives, its texts, its handler and its first state.
struct ActionRow
{
    QAction *MainWindow::*action;
    const char *text;
    const char *tip; // empty: no status tip
    Slot slot;
    bool checkable;
    bool enabled;
};

struct ZoomRow
{
    const char *text;
    double factor;
};
// "1:1" has no factor of its own: it is what remains when no other entry is checked.
constexpr ZoomRow kZoomRows[] = {{"Auto", 0.0}, {"Max (1366x768)", 10.0}, {"2:1", 2.0},
                                 {"1:1", 1.0},  {"3:4", 0.75},            {"1:2", 0.5},
                                 {"1:4", 0.25}};
constexpr int ZoomCount = int(std::size(kZoomRows));
} // namespace

void MainWindow::createActions()
{
    static const ActionRow rows[] = {
        {&MainWindow::openDvdAction, "Open DVD", "Open DVD root or VIDEO_TS folder or IFO file",
         &MainWindow::openDvd, false, true},
        {&MainWindow::openFileAction, "Open media file",
         "Open movie or audio file (AVI/MP4/WMV/MOV/FLV/MP3/WAV etc.)", &MainWindow::openFile,
         false, true},
        {&MainWindow::clearRecentAction, "Clear recent file list", "", &MainWindow::clearRecent,
         false, true},
        {&MainWindow::setTargetAction, "Set target path", "Set target file location",
         &MainWindow::setTarget, false, true},
        {&MainWindow::openTargetAction, "Open target folder on desktop",
         "Open target folder on desktop to access directly ouput files",
         &MainWindow::openTargetOnDesktop, false, true},
    };
    static const ActionRow jobRows[] = {
        {&MainWindow::showJobManagerAction, "Show job manager", "Toggle job manager display",
         &MainWindow::toggleJobManager, true, true},
        {&MainWindow::encodeVcdAction, "Encode movie to VideoCD",
         "Start encoding current movie to a VideoCD (VCD/MPEG-1) compliant file",
         &MainWindow::jobEncodeVcd, false, false},
        {&MainWindow::encodeSvcdAction, "Encode movie to SuperVCD",
         "Start encoding current movie to a Super-VideoCD (SVCD/MPEG-2) compliant file",
         &MainWindow::jobEncodeSvcd, false, false},
        {&MainWindow::encodeXvidAction, "Encode movie to Xvid/DivX",
         "Start 1-pass encoding current movie to one Xvid/DivX (AVI) file with constant quality",
         &MainWindow::jobEncodeXvid, false, false},
        {&MainWindow::splitAction, "Split movie into multiple parts",
         "Split one video file into multiple smaller files", &MainWindow::jobSplitMovie, false,
         false},
        {&MainWindow::mencoderCapabilityAction, "Show capabilities",
         "Show MEncoder engine capabilities", &MainWindow::showMEncoderCapability, false, true},
        {&MainWindow::mencoderStatusAction, "Show status", "Show MEncoder engine status",
         &MainWindow::showMEncoderStatus, false, true},
        {&MainWindow::ffmpegCapabilityAction, "Show capabilities",
         "Show FFmpeg engine capabilities", &MainWindow::showFFmpegCapability, false, true},
        {&MainWindow::ffmpegStatusAction, "Show status", "Show FFmpeg engine status",
         &MainWindow::showFFmpegStatus, false, true},
        {&MainWindow::playerCapabilityAction, "Show MPlayer capabilities",
         "Show video and audio supported drivers by MPlayer backend",
         &MainWindow::showPlayerCapability, false, true},
        {&MainWindow::playerStatusAction, "Show MPlayer status", "Show MPlayer backend status",
         &MainWindow::showPlayerStatus, false, true},
        {&MainWindow::mediaInfoStatusAction, "Show MediaInfo status",
         "Show MediaInfo utility status", &MainWindow::showMediaInfoStatus, false, true},
        {&MainWindow::ffprobeStatusAction, "Show FFprobe status", "Show FFprobe utility status",
         &MainWindow::showFFprobeStatus, false, true},
        {&MainWindow::mediaInfoAction, "Media informations",
         "Show current movie detailed informations", &MainWindow::showMediaInfo, false, true},
        // Made, but placed in no menu.
        {&MainWindow::ffprobeInfoAction, "FFprobe informations", "", &MainWindow::showFFprobe,
         false, true},
    };
    static const ActionRow optionRows[] = {
        {&MainWindow::consoleButtonAction, "Show console buttons", "Toggle console buttons display",
         &MainWindow::toggleConsoleButton, true, true},
        {&MainWindow::monitorAction, "Show advanced monitor", "Toggle advanced monitor display",
         &MainWindow::toggleAdvancedMonitor, true, true},
        {&MainWindow::restoreMonitorAction, "Restore monitor window",
         "Resize and move the advanced monitor beside the main window",
         &MainWindow::resetAdvancedMonitor, false, false},
        {&MainWindow::clearMonitorAction, "Clear monitor channels", "Clear log and process channels",
         &MainWindow::clearAdvancedMonitor, false, false},
    };
    static const ActionRow verbosityRows[] = {
        {&MainWindow::quietAction, "Quiet", "Show relevant information and error issues in log",
         &MainWindow::changeVerbosity, true, true},
        {&MainWindow::normalAction, "Normal",
         "More verbose and display input/output in monitor (slightly slow down reponsiveness)",
         &MainWindow::changeVerbosity, true, true},
        {&MainWindow::verboseAction, "Verbose",
         "Show all informations error issues (significantly slow down responsiveness)",
         &MainWindow::changeVerbosity, true, true},
    };
    static const ActionRow lastRows[] = {
        {&MainWindow::preferencesAction, "Preferences", "Set application preferences",
         &MainWindow::showPreferences, false, true},
        {&MainWindow::clearSettingsAction, "Clear all settings",
         "Clear all settings and restart the application", &MainWindow::clearAllSettings, false,
         true},
        {&MainWindow::helpAction, "On-line help", "Open on-line help", &MainWindow::onlineHelp,
         false, true},
        {&MainWindow::faqAction, "On-line FAQ", "Frequently Asked Questions",
         &MainWindow::onlineFaq, false, true},
        {&MainWindow::updateAction, "Check for updates", "Check for new updates available on-line",
         &MainWindow::checkUpdate, false, true},
        {&MainWindow::creditsAction, "Credits", "Show the %1 credits", &MainWindow::credits, false,
         true},
        {&MainWindow::aboutAction, "About %1", "Show the %1 about box", &MainWindow::about, false,
         true},
    };

    const QString product = AppIdentity::productTitle();
    auto make = [this, &product](const ActionRow &row) {
        QString text = tr(row.text);
        if (text.contains(QLatin1String("%1")))
            text = text.arg(product);
        auto *action = new QAction(text, this);
        if (*row.tip)
            action->setStatusTip(tr(row.tip).contains(QLatin1String("%1")) ? tr(row.tip).arg(product)
                                                                            : tr(row.tip));
        action->setCheckable(row.checkable);
        connect(action, &QAction::triggered, this, row.slot);
        action->setEnabled(row.enabled);
        this->*row.action = action;
    };

    for (const ActionRow &row : rows)
        make(row);
    for (QAction *&recent : recentActions) {
        recent = new QAction(this);
        recent->setVisible(false);
        connect(recent, &QAction::triggered, this, &MainWindow::openRecentMovie);
    }
    exitAction = new QAction(tr("Exit"), this);
    exitAction->setStatusTip(tr("Exit the application"));
    connect(exitAction, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    for (const ActionRow &row : jobRows)
        make(row);

    zoomGroup = new QActionGroup(this);
    for (int i = 0; i < ZoomCount; ++i) {
        zoomActions[i] = new QAction(tr(kZoomRows[i].text), zoomGroup);
        zoomActions[i]->setCheckable(true);
        connect(zoomActions[i], &QAction::triggered, this, &MainWindow::changeZoom);
    }
    zoomActions[0]->setChecked(true);

    for (const ActionRow &row : optionRows)
        make(row);
    consoleButtonAction->setChecked(m_consoleButton);
    verbosityGroup = new QActionGroup(this);
    for (const ActionRow &row : verbosityRows) {
        make(row);
        verbosityGroup->addAction(this->*row.action);
    }
    quietAction->setChecked(true);
    for (const ActionRow &row : lastRows)
        make(row);
}

void MainWindow::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("File"));
    fileMenu->addActions({openDvdAction, openFileAction, clearRecentAction});
    fileMenu->addSeparator();
    fileMenu->addActions({setTargetAction, openTargetAction});
    fileMenu->addSeparator();
    for (QAction *recent : recentActions)
        fileMenu->addAction(recent);
    fileMenu->addAction(exitAction);

    menuBar()->addSeparator();
    jobMenu = menuBar()->addMenu(tr("Job"));
    // An entry that is off tells why in its tool tip.
    jobMenu->setToolTipsVisible(true);
    jobMenu->addAction(showJobManagerAction);
    jobMenu->addSeparator();
    jobMenu->addActions({encodeVcdAction, encodeSvcdAction, encodeXvidAction});
    jobSeparator = jobMenu->addSeparator();
    jobMenu->addAction(splitAction);

    menuBar()->addSeparator();
    encoderMenu = menuBar()->addMenu(tr("Encoder"));
    enginesMenu = encoderMenu->addMenu(tr("Encoder engines..."));
    ffmpegMenu = enginesMenu->addMenu(tr("FFmpeg engine..."));
    ffmpegMenu->addActions({ffmpegCapabilityAction, ffmpegStatusAction});
    mencoderMenu = enginesMenu->addMenu(tr("MEncoder engine..."));
    mencoderMenu->addActions({mencoderCapabilityAction, mencoderStatusAction});

    menuBar()->addSeparator();
    playerMenu = menuBar()->addMenu(tr("Player"));
    zoomMenu = playerMenu->addMenu(tr("Display zoom..."));
    zoomMenu->addActions(zoomGroup->actions());
    playerMenu->addAction(mediaInfoAction);
    playerMenu->addSeparator();
    backendMenu = playerMenu->addMenu(tr("Player backend..."));
    backendMenu->addActions({playerCapabilityAction, playerStatusAction, mediaInfoStatusAction,
                             ffprobeStatusAction});

    menuBar()->addSeparator();
    optionsMenu = menuBar()->addMenu(tr("Options"));
    optionsMenu->addActions({consoleButtonAction, monitorAction, restoreMonitorAction,
                             clearMonitorAction});
    optionsMenu->addSeparator();
    verbosityMenu = optionsMenu->addMenu(tr("Verbosity..."));
    verbosityMenu->addActions(verbosityGroup->actions());
    optionsMenu->addActions({preferencesAction, clearSettingsAction});

    menuBar()->addSeparator();
    helpMenu = menuBar()->addMenu(tr("Help"));
    helpMenu->addActions({faqAction, helpAction, updateAction, creditsAction});
    helpMenu->addSeparator();
    helpMenu->addAction(aboutAction);
}

void MainWindow::changeZoom()
{
    double factor = 1.0;
    for (int i = 0; i < ZoomCount; ++i) {
        if (zoomActions[i]->isChecked()) {
            factor = kZoomRows[i].factor;
            break;
        }
    }
    m_playerWidget->autoZoom = false;
    m_playerWidget->setZoomRoom(zoomRoom());
    m_playerWidget->setZoom(factor);
}

QSize MainWindow::zoomRoom() const
{
    const QRect area = WindowPlacement::availableArea(this);
    if (area.isEmpty())
        return {PlayerWidget::MaximumZoomWidth, PlayerWidget::MaximumZoomHeight};
    const QMargins frame = WindowPlacement::decorations(this);
    // Everything the window shows besides the picture: the window manager's frame, the menu
    // and status bars, the encoder panel and the player's own controls below the picture.
    const QSize picture = m_playerWidget->currentRendererSize();
    const int chromeHeight = frame.top() + frame.bottom() + sizeHint().height() - picture.height();
    const int chromeWidth = frame.left() + frame.right()
        + (sizeHint().width() - m_mainWidget->sizeHint().width())
        + m_playerWidget->sizeHint().width() - picture.width();
    return {area.width() - std::max(0, chromeWidth), area.height() - std::max(0, chromeHeight)};
}

void MainWindow::changeVerbosity()
{
    m_verbosity = quietAction->isChecked() ? 1
                  : (verboseAction->isChecked() && !normalAction->isChecked()) ? 3
                                                                               : 2;
    applyVerbosity();
    m_console->setVerbosity(m_verbosity);
}

void MainWindow::toggleConsoleButton()
{
    m_consoleButton = consoleButtonAction->isChecked();
    m_encoderWidget->setConsoleButton(m_consoleButton);
    m_jobManagerWidget->setConsoleButton(!m_consoleButton);
}

void MainWindow::toggleAdvancedMonitor()
{
    m_monitor->setVisible(m_monitor->isHidden());
    activateWindow();
}

void MainWindow::updateAdvancedMonitorMenu()
{
    const bool shown = m_monitor->isVisible();
    monitorAction->setChecked(shown);
    restoreMonitorAction->setEnabled(shown);
    clearMonitorAction->setEnabled(shown);
    activateWindow();
}

void MainWindow::resetAdvancedMonitor()
{
    m_monitor->resetGeometry(this);
}

void MainWindow::clearAdvancedMonitor()
{
    m_monitor->clearAll();
}

void MainWindow::toggleJobManager()
{
    m_jobManagerDialog->setVisible(m_jobManagerDialog->isHidden());
    updateJobManagerMenu();
}

void MainWindow::updateJobManagerMenu()
{
    showJobManagerAction->setChecked(!m_jobManagerDialog->isHidden());
}

InterfaceStatus MainWindow::engineStatus(int type) const
{
    const InterfaceStatus *found = encoder()->interfaceStatus(type);
    return found ? *found : InterfaceStatus();
}

InterfaceStatus MainWindow::ffmpegStatus() const
{
    return engineStatus(EngineType::FFmpeg);
}

InterfaceStatus MainWindow::mencoderStatus() const
{
    return engineStatus(EngineType::MEncoder);
}

void MainWindow::showEncoderStatus(const QString &engineName, InterfaceStatus status)
{
    EncoderStatusDialog dialog(engineName, &status, this);
    dialog.exec();
}

void MainWindow::showEncoderCapability(const QString &engineName, int type)
{
    EngineCapabilities *capabilities = encoder()->capabilities(type);
    // An engine that never answered has no lists (its entry is off then).
    if (!capabilities || !capabilities->videoCodecMap || !capabilities->audioCodecMap
        || !capabilities->muxerMap)
        return;
    EncoderCapabilityDialog dialog(engineName, capabilities, this);
    dialog.exec();
}

void MainWindow::showFFmpegStatus() { showEncoderStatus(QStringLiteral("FFmpeg"), ffmpegStatus()); }
void MainWindow::showFFmpegCapability() { showEncoderCapability(QStringLiteral("FFmpeg"), 2); }
void MainWindow::showMEncoderStatus() { showEncoderStatus(QStringLiteral("MEncoder"), mencoderStatus()); }
void MainWindow::showMEncoderCapability() { showEncoderCapability(QStringLiteral("MEncoder"), 1); }

void MainWindow::showPlayerStatus()
{
    PlayerStatus status = m_playerWidget->playerStatus();
    PlayerStatusDialog dialog(&status, this);
    dialog.exec();
}

void MainWindow::showPlayerCapability()
{
    PlayerCapabilities capabilities = m_playerWidget->playerCapability();
    if (!capabilities.videoDrivers || !capabilities.audioDrivers)
        return;
    PlayerCapabilityDialog dialog(&capabilities, this);
    dialog.exec();
}

void MainWindow::showMediaInfoStatus()
{
    InterfaceStatus status = m_playerWidget->mediaInfoStatus();
    UtilityStatusDialog dialog(tr("MediaInfo status"), &status, this);
    dialog.exec();
}

void MainWindow::showFFprobeStatus()
{
    InterfaceStatus status = m_playerWidget->ffprobeStatus();
    UtilityStatusDialog dialog(tr("FFprobe status"), &status, this);
    dialog.exec();
}

void MainWindow::showPreferences()
{
    {
        PreferencesDialog dialog(&m_preferences, this);
        dialog.exec();
    }
    // After OK and Cancel alike; the dialog edits a copy that only OK writes back, so after
    // Cancel the record handed on is the one the panels already hold.
    m_encoderWidget->setPreferences(m_preferences.encoder);
    m_playerWidget->setPreferences(m_preferences.player);
    m_jobManager->setTimeouts(m_preferences.encoder.latencyStart,
                              m_preferences.encoder.latencyFinished,
                              m_preferences.encoder.latencyKill);
    if (!m_preferences.encoder.outputName.isEmpty() && m_preferences.encoder.forceOutputName) {
        m_targetName = m_preferences.encoder.outputName;
        m_encoderWidget->setTarget(m_targetFolder, m_targetName);
    }
}

void MainWindow::about() { HelpBoxes::about(this, HelpBoxes::Edition::Base); }
void MainWindow::onlineHelp()
{
    if (!HelpBoxes::onlineHelp())
        reportDesktopRefusal(HelpBoxes::onlineHelpPage().toString());
}

void MainWindow::onlineFaq()
{
    if (!HelpBoxes::onlineFaq())
        reportDesktopRefusal(HelpBoxes::onlineFaqPage().toString());
}

void MainWindow::reportDesktopRefusal(const QString &what)
{
    const QString text = tr("The desktop could not open %1").arg(what);
    log(text, 1);
    statusBar()->showMessage(text, DesktopRefusalTimeout);
}
void MainWindow::credits() { HelpBoxes::credits(this, HelpBoxes::Edition::Base); }

void MainWindow::checkUpdate()
{
    SoftwareUpdateDialog dialog(this);
    dialog.checkUpdate();
    dialog.exec();
}
