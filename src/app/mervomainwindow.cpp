#include "app/mervomainwindow.h"

#include "app/appidentity.h"
#include "app/recentlist.h"
#include "encoder/mediamerger.h"
#include "encoding/mergemediadialog.h"
#include "encoder/mervoencoder.h"
#include "encoder/records/enginetype.h"
#include "encoding/mervoencoderwidget.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervoprocess.h"
#include "app/enginereadiness.h"
#include "app/helpboxes.h"
#include "app/mervosoftwareupdatedialog.h"
#include "encoding/mervojobmanagerdialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "jobs/console.h"
#include "jobs/filechooser.h"
#include "jobs/infoboxdialog.h"
#include "jobs/valuetext.h"
#include "player/mervoplayerwidget.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSettings>
#include <QMenu>
#include <QStatusBar>

#include <functional>

namespace {

// Every connection of the action's triggered() is removed, then it runs the given slot.
template <typename Slot>
void moveAction(QAction *action, MervoMainWindow *window, Slot slot)
{
    QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
    QObject::connect(action, &QAction::triggered, window, slot);
}
} // namespace

struct MervoMainWindow::PathSetter
{
    EnginePaths::Engine engine;
    QString name; // as the readiness check names the engine
    const char *prompt;
    const char *caption;
    const char *message;
    // Hands the new path on; true when the engine answers from there.
    std::function<bool()> apply;
    std::function<void()> cancelled;
};

// The extended window's parts: the extended panels and job machinery, with the engine paths
// the window keeps under "Externals".
class MervoMainWindow::MervoPartsBuilder : public MainWindow::PartsBuilder
{
public:
    void readEnginePaths(QString *paths) const override { readExternalsSettings(paths); }

    JobManager *jobManager(const Places &places) const override
    {
        const EncoderPreferences &encoder = places.preferences->encoder;
        return new MervoJobManager(places.stdIn, places.stdOut, places.stdErr, places.log,
                                   places.verbosity, encoder.latencyStart,
                                   encoder.latencyFinished, encoder.latencyKill);
    }

    JobManagerDialog *jobManagerDialog(const Places &places, JobManager *manager) const override
    {
        auto *dialog = new MervoJobManagerDialog(
            MervoMainWindow::tr("%1 - Job manager").arg(AppIdentity::productTitle()), places.window);
        dialog->mervoView()->setJobManager(static_cast<MervoJobManager *>(manager));
        return dialog;
    }

    PlayerWidget *playerWidget(const Places &places) const override
    {
        const QString *paths = places.paths;
        return new MervoPlayerWidget(places.window, paths[EnginePaths::MPlayer],
                                     paths[EnginePaths::MediaInfo], paths[EnginePaths::FFprobe],
                                     places.stdIn, places.stdOut, places.stdErr, places.log,
                                     places.verbosity, &places.preferences->player, places.window);
    }

    EncoderWidget *encoderWidget(const Places &places, JobManager *manager) const override
    {
        const QString *paths = places.paths;
        return new MervoEncoderWidget(places.window, static_cast<MervoJobManager *>(manager),
                                      paths[EnginePaths::FFmpeg], paths[EnginePaths::MEncoder],
                                      paths[EnginePaths::X264], paths[EnginePaths::MKVmerge],
                                      places.stdIn, places.stdOut, places.stdErr, places.log,
                                      places.verbosity, &places.preferences->encoder, places.window);
    }
};

MervoMainWindow::MervoMainWindow(QWidget *parent)
    : MainWindow(MervoPartsBuilder(), parent)
    // The builder made the extended objects in the base's places.
    , m_mervoPlayerWidget(static_cast<MervoPlayerWidget *>(m_playerWidget))
    , m_mervoEncoderWidget(static_cast<MervoEncoderWidget *>(m_encoderWidget))
    , m_mervoJobManager(static_cast<MervoJobManager *>(m_jobManager))
    , m_mervoJobManagerDialog(static_cast<MervoJobManagerDialog *>(m_jobManagerDialog))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_windowTitle);
    setObjectName(QStringLiteral("MainWindow"));
    createMervoActions();
    moveActions();
    disconnect(this, &MainWindow::movieLoaded, this, nullptr);
    connect(this, &MainWindow::movieLoaded, this, &MervoMainWindow::mervoOnMovieLoaded);
    disconnect(m_playerWidget, &PlayerWidget::stateChanged, this, nullptr);
    connect(m_playerWidget, &PlayerWidget::stateChanged, this, &MervoMainWindow::enableVideoOpenActions);
    connect(m_playerWidget, &PlayerWidget::selectionChanged, this, &MervoMainWindow::mervoUpdateJobMenu);
    connect(this, &MervoMainWindow::encodingComplete, m_mervoEncoderWidget,
            qOverload<MervoProcess *>(&MervoEncoderWidget::finalizeEncoding));
    connectJobManager();
    applyVerbosity();
    changeZoom();
}

void MervoMainWindow::readExternalsSettings(QString *paths)
{
    // Each key only when present: the default path stands otherwise.
    QSettings settings;
    settings.beginGroup(QStringLiteral("Externals"));
    for (const EnginePaths::ExternalsRow &row : EnginePaths::kExternals) {
        const QString stored = settings.value(QLatin1String(row.key)).toString();
        if (!stored.isEmpty())
            paths[row.engine] = stored;
    }
    settings.endGroup();
}

bool MervoMainWindow::saveExternalsSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Externals"));
    for (const EnginePaths::ExternalsRow &row : EnginePaths::kExternals)
        settings.setValue(QLatin1String(row.key), m_paths[row.engine]);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool MervoMainWindow::setExtendedInput(const QString &path, int kind)
{
    return m_mervoPlayerWidget->setInput(path, kind);
}

void MervoMainWindow::createMervoActions()
{
    const auto make = [this](const char *text, const char *tip, auto slot, bool enabled) {
        auto *action = new QAction(tr(text), this);
        action->setStatusTip(tr(tip));
        connect(action, &QAction::triggered, this, slot);
        action->setEnabled(enabled);
        return action;
    };
    mkvmergeCapabilityAction = make("Show capabilities", "Show MKVmerge engine capabilities",
                                    &MervoMainWindow::showMKVmergeCapability, true);
    mkvmergeStatusAction = make("Show status", "Show MKVmerge engine status",
                                &MervoMainWindow::showMKVmergeStatus, true);
    mkvmergeMenu = enginesMenu->addMenu(tr("MKVmerge engine..."));
    mkvmergeMenu->addActions({mkvmergeCapabilityAction, mkvmergeStatusAction});
    x264CapabilityAction = make("Show capabilities", "Show x264 engine capabilities",
                                &MervoMainWindow::showX264Capability, true);
    x264StatusAction = make("Show status", "Show x264 engine status", &MervoMainWindow::showX264Status, true);
    x264Menu = enginesMenu->addMenu(tr("x264 engine..."));
    x264Menu->addActions({x264CapabilityAction, x264StatusAction});

    encodeXvid1CDAction = make("Encode movie to Xvid on 1 CD (700MB)",
                               "Start 2-pass encoding current movie to one Xvid 700MB (AVI) file",
                               &MervoMainWindow::jobEncodeXvid1CD, false);
    mergeAction = make("Merge multiple media files",
                       "Merge multiple audio or movie files into one movie file",
                       &MervoMainWindow::jobMergeMedia, false);
    remuxAction = make("Re-mux movie", "Re-mux streams in the movie file (may fix audio/video synchro)",
                       &MervoMainWindow::jobRemuxMovie, false);
    jobMenu->insertAction(jobSeparator, encodeXvid1CDAction);
    jobMenu->insertAction(splitAction, remuxAction);
    jobMenu->insertAction(remuxAction, mergeAction);

    ffmpegPathAction = make("Set FFmpeg binary path", "Locate and set preferred FFmpeg binary path",
                            &MervoMainWindow::setFFmpegBinPath, true);
    mencoderPathAction = make("Set MEncoder binary path", "Locate and set MEncoder binary path",
                              &MervoMainWindow::setMEncoderBinPath, true);
    x264PathAction = make("Set x264 binary path", "Locate and set x264 encoder binary path",
                          &MervoMainWindow::setX264BinPath, true);
    mkvmergePathAction = make("Set MKVmerge binary path", "Locate and set MKVmerge binary path",
                              &MervoMainWindow::setMKVmergeBinPath, true);
    mplayerPathAction = make("Set MPlayer binary path", "Locate and set MPlayer binary path",
                             &MervoMainWindow::setMPlayerBinPath, true);
    mediaInfoPathAction = make("Set MediaInfo binary path", "Locate and set MediaInfo binary path",
                               &MervoMainWindow::setMediaInfoBinPath, true);
    ffprobePathAction = make("Set FFprobe binary path", "Locate and set preferred FFprobe binary path",
                             &MervoMainWindow::setFFprobeBinPath, true);
    enginePathsMenu = new QMenu(tr("Engine paths..."), this);
    enginePathsMenu->addActions({ffmpegPathAction, mencoderPathAction, x264PathAction, mkvmergePathAction});
    enginePathsMenu->addSeparator();
    enginePathsMenu->addActions({mplayerPathAction, mediaInfoPathAction, ffprobePathAction});
    optionsMenu->addSeparator();
    optionsMenu->addMenu(enginePathsMenu);
}

void MervoMainWindow::moveActions()
{
    moveAction(aboutAction, this, &MervoMainWindow::aboutMervo);
    moveAction(updateAction, this, &MervoMainWindow::checkUpdate);
    moveAction(openDvdAction, this, &MervoMainWindow::openDvd);
    for (QAction *action : {quietAction, normalAction, verboseAction})
        moveAction(action, this, &MervoMainWindow::changeVerbosity);
    for (QAction *action : recentActions)
        moveAction(action, this, &MervoMainWindow::openRecentMovie);
    moveAction(creditsAction, this, &MervoMainWindow::credits);
    moveAction(encodeVcdAction, this, &MervoMainWindow::jobEncodeVcd);
    moveAction(encodeSvcdAction, this, &MervoMainWindow::jobEncodeSvcd);
    moveAction(encodeXvidAction, this, &MervoMainWindow::jobEncodeXvid);
    moveAction(clearSettingsAction, this, &MervoMainWindow::clearAllSettings);
}

void MervoMainWindow::initialize()
{
    m_mervoEncoderWidget->applyEngineBinPaths();
    m_encoderWidget->setTarget(m_targetFolder, m_targetName);
    setCapabilityEntries();
    mkvmergeCapabilityAction->setEnabled(encoder()->isEngineReady(EngineType::MKVmerge));
    x264CapabilityAction->setEnabled(encoder()->isEngineReady(EngineType::X264));
    mediaInfoAction->setEnabled(false);
    readMonitorSettings();
    updateAdvancedMonitorMenu();
    checkEnginesReady();
    enablePlayerCapability();
}

QString MervoMainWindow::engineVersion(int type) const
{
    return encoder()->engineVersion(type);
}

QString MervoMainWindow::engineBinary(int type) const
{
    return m_mervoEncoderWidget->mervoEncoder()->engineBinary(type);
}

void MervoMainWindow::checkEnginesReady()
{
    // Box and log in the order FFmpeg, MEncoder, x264, MKVmerge, MPlayer, MediaInfo, FFprobe.
    QList<EngineReadiness::Item> items;
    for (int type : {EngineType::FFmpeg, EngineType::MEncoder, EngineType::X264, EngineType::MKVmerge})
        items << EngineReadiness::Item{engineTypeName(type), encoder()->isEngineReady(type), engineVersion(type),
                                       engineBinary(type), EngineReadiness::lackOf(encoder()->interfaceStatus(type))};
    bool backEnd = false, mediaInfo = false, ffprobe = false;
    m_mervoPlayerWidget->enginesReady(&backEnd, &mediaInfo, &ffprobe);
    items << playerItems(backEnd, mediaInfo, ffprobe);
    reportReadiness(items, items);
}

void MervoMainWindow::mervoOnMovieLoaded(int kind)
{
    onMovieLoaded(kind);
    if (kind == RecentList::DvdKind)
        m_mervoEncoderWidget->onMovieLoaded(m_dvdPath, kind);
    else if (kind == RecentList::FileKind)
        m_mervoEncoderWidget->onMovieLoaded(m_filePath, kind);
    mervoUpdateJobMenu();
}

void MervoMainWindow::enableVideoOpenActions(bool playing)
{
    MainWindow::enableVideoOpenActions(playing);
    mplayerPathAction->setEnabled(!playing);
}

void MervoMainWindow::changeVerbosity()
{
    MainWindow::changeVerbosity();
    m_jobManagerDialog->setVerbosity(m_verbosity);
}

void MervoMainWindow::clearAllSettings()
{
    clearSettingsAndRestart(AppIdentity::applicationTitle());
}

bool MervoMainWindow::readyToOpen()
{
    // A missing base engine is reported with the window's own check, x264 and MKVmerge
    // included; opening a media file is the base window's command and runs the base check.
    if (!enginesReady())
        askLateEnginesAgain();
    if (enginesReady())
        return true;
    checkEnginesReady();
    return false;
}

void MervoMainWindow::openDvd()
{
    if (readyToOpen())
        openDvdFolder(true);
}

void MervoMainWindow::openRecentMovie()
{
    if (readyToOpen())
        openRecentEntry(true);
}

void MervoMainWindow::jobMergeMedia()
{
    statusBar()->showMessage(tr("Preparing a new merge job..."));
    QString folder = m_targetFolder;
    bool useInputFolder = false;
    QString outputName;
    QString message;
    QStringList files{m_filePath};
    auto *merger = new MediaMerger(m_mervoJobManager);
    // The merger deletes itself only once it has finished; a refused or cancelled merge
    // never starts, so it is deleted here. A merge that ended at once has a deletion
    // pending, which deleting now cancels.
    QPointer<MediaMerger> alive(merger);
    merger->setAutoDelete(true);
    if (!merger->setReference(m_filePath, message)) {
        delete merger;
        refuseMerge(tr("<b>Impossible to merge files."), message);
        return;
    }
    {
        MergeMediaDialog dialog(&files, merger, &useInputFolder, m_targetFolder, &outputName, this);
        if (dialog.exec() != QDialog::Accepted) {
            delete alive.data();
            return;
        }
    }
    if (useInputFolder)
        folder = QFileInfo(m_filePath).canonicalPath();
    merger->setOutput(folder, outputName);
    // A queued merge says how it ended, and why it failed, where the user looks.
    connect(merger, &MediaMerger::started, this, [this, merger] {
        statusBar()->showMessage(tr("Merge job has been queued in the job manager"));
        connect(merger, &MediaMerger::finished, this, [this, merger] {
            const QString failure = merger->failure();
            if (failure.isEmpty())
                statusBar()->showMessage(tr("Merge job completed"), ResultTimeout);
            else
                statusBar()->showMessage(tr("Merge job failed: %1 (its console in the job manager tells more)")
                                             .arg(failure));
        });
    });
    if (!merger->startMerge(message)) {
        delete alive.data();
        refuseMerge(tr("<b>Failed to merge files.</b><br><br>You may have to recode input files to "
                       "same format before merging."),
                    message);
    }
}

void MervoMainWindow::refuseMerge(const QString &text, const QString &message)
{
    InfoBoxDialog box(this);
    box.setTextFormat(Qt::RichText);
    box.setText(text);
    // The merger's message names files, which may hold "<" or "&".
    box.setInformativeText(QStringLiteral("<i>%1</i>").arg(message.toHtmlEscaped()));
    box.exec();
    statusBar()->showMessage(tr("Merge job has been cancelled"), RefusalTimeout);
}

void MervoMainWindow::setEnginePath(const PathSetter &setter)
{
    // The checks run the engines (MPlayer's font-cache run handles events meanwhile).
    const DeletionHold hold(this);
    statusBar()->showMessage(tr(setter.prompt));
    QString &stored = m_paths[setter.engine];
    const QString start = stored.isEmpty() ? QDir::rootPath() : stored;
    const QString chosen = FileChooser::openFileName(this, tr(setter.caption), start,
                                                     EnginePaths::executableFilter());
    if (!chosen.isEmpty()) {
        stored = QDir(QStringLiteral(".")).absoluteFilePath(chosen);
        // A file that is no working engine is taken all the same, but not called a success
        // under the box that says the engine is not ready.
        const bool ready = setter.apply();
        statusBar()->showMessage(ready ? tr(setter.message).arg(stored)
                                       : tr("%1 is NOT ready [path: %2]").arg(setter.name, stored),
                                 ResultTimeout);
    } else {
        setter.cancelled();
        statusBar()->showMessage(tr("No file selected"), ResultTimeout);
    }
    checkEnginesReady();
}

void MervoMainWindow::setEncoderEnginePath(EnginePaths::Engine engine, int type,
                                           QAction *capability, const char *prompt,
                                           const char *caption, const char *message)
{
    const auto refresh = [this, type, capability] {
        const bool ready = encoder()->isEngineReady(type);
        capability->setEnabled(ready);
        return ready;
    };
    setEnginePath({engine, engineTypeName(type), prompt, caption, message,
                   [this, engine, type, refresh] {
                       m_encoderWidget->setEngineBinPath(type, m_paths[engine]);
                       return refresh();
                   },
                   refresh});
}

void MervoMainWindow::setMPlayerBinPath()
{
    setEnginePath({EnginePaths::MPlayer, QStringLiteral("MPlayer"), "Select player binary file...", "Select MPlayer Binary",
                   "MPlayer binary path set successfully [%1]",
                   [this] {
                       m_playerWidget->setMPlayerBinPath(m_paths[EnginePaths::MPlayer]);
                       passPlayerPaths(EnginePaths::MPlayer);
                       const bool ready = m_playerWidget->isReady(false);
                       for (QAction *action : {playerCapabilityAction, openDvdAction, openFileAction})
                           action->setEnabled(ready);
                       for (QAction *action : recentActions)
                           action->setEnabled(ready);
                       if (!ready)
                           onMovieLoaded(0);
                       return ready;
                   },
                   [this] { playerCapabilityAction->setEnabled(m_playerWidget->isReady(true)); }});
}

void MervoMainWindow::setMediaInfoBinPath()
{
    setEnginePath({EnginePaths::MediaInfo, QStringLiteral("MediaInfo"), "Select MediaInfo binary file...",
                   "Select MediaInfo Binary", "MediaInfo binary path set successfully [%1]",
                   [this] {
                       m_playerWidget->setMediaInfoBinPath(m_paths[EnginePaths::MediaInfo]);
                       return passPlayerPaths(EnginePaths::MediaInfo);
                   },
                   [] {}});
}

void MervoMainWindow::setFFprobeBinPath()
{
    setEnginePath({EnginePaths::FFprobe, QStringLiteral("FFprobe"), "Select FFprobe binary file...", "Select FFprobe Binary",
                   "FFprobe binary path set successfully [%1]",
                   [this] {
                       m_playerWidget->setFFprobeBinPath(m_paths[EnginePaths::FFprobe]);
                       return passPlayerPaths(EnginePaths::FFprobe);
                   },
                   [] {}});
}

bool MervoMainWindow::passPlayerPaths(EnginePaths::Engine engine)
{
    // The encoder panel's preview player and its analysis of finished files run these
    // engines too: a mended path reaches them at once, not at the next start.
    m_encoderWidget->setPlayerBinPaths(m_paths[EnginePaths::MPlayer], m_paths[EnginePaths::MediaInfo],
                                       m_paths[EnginePaths::FFprobe]);
    bool player = false, mediaInfo = false, ffprobe = false;
    m_mervoPlayerWidget->enginesReady(&player, &mediaInfo, &ffprobe);
    return engine == EnginePaths::MediaInfo ? mediaInfo : engine == EnginePaths::FFprobe ? ffprobe : player;
}

void MervoMainWindow::setFFmpegBinPath()
{
    setEncoderEnginePath(EnginePaths::FFmpeg, EngineType::FFmpeg, ffmpegCapabilityAction,
                         "Select encoder binary file...", "Select FFmpeg Binary",
                         "FFmpeg binary path set successfully [%1]");
}

void MervoMainWindow::setMEncoderBinPath()
{
    setEncoderEnginePath(EnginePaths::MEncoder, EngineType::MEncoder, mencoderCapabilityAction,
                         "Select encoder binary file...", "Select MEncoder Binary",
                         "MEncoder binary path set successfully [%1]");
}

void MervoMainWindow::setX264BinPath()
{
    setEncoderEnginePath(EnginePaths::X264, EngineType::X264, x264CapabilityAction,
                         "Select x264 encoder binary file...", "Select x264 Encoder Binary",
                         "x264 encoder binary path set successfully [%1]");
}

void MervoMainWindow::setMKVmergeBinPath()
{
    setEncoderEnginePath(EnginePaths::MKVmerge, EngineType::MKVmerge, mkvmergeCapabilityAction,
                         "Select encoder binary file...", "Select MKVmerge Binary",
                         "MKVmerge binary path set successfully [%1]");
}


InterfaceStatus MervoMainWindow::x264Status() const
{
    return engineStatus(EngineType::X264);
}

InterfaceStatus MervoMainWindow::mkvmergeStatus() const
{
    return engineStatus(EngineType::MKVmerge);
}

void MervoMainWindow::showMKVmergeStatus() { showEncoderStatus(QStringLiteral("MKVmerge"), mkvmergeStatus()); }
void MervoMainWindow::showMKVmergeCapability() { showEncoderCapability(QStringLiteral("MKVmerge"), EngineType::MKVmerge); }
void MervoMainWindow::showX264Status() { showEncoderStatus(QStringLiteral("x264"), x264Status()); }
void MervoMainWindow::showX264Capability() { showEncoderCapability(QStringLiteral("x264"), EngineType::X264); }
// The extended edition's About and Credits name its own engines; its update dialog offers
// only the releases of its edition.
void MervoMainWindow::aboutMervo() { HelpBoxes::about(this, HelpBoxes::Edition::Extended); }

void MervoMainWindow::checkUpdate()
{
    MervoSoftwareUpdateDialog dialog(this);
    dialog.checkUpdate();
    dialog.exec();
}

void MervoMainWindow::credits() { HelpBoxes::credits(this, HelpBoxes::Edition::Extended); }
