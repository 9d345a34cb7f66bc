// How the main window loads its input (a DVD folder, a media file, a recent entry), keeps the
// recent list, names the target, hands the loaded source to the encoder panel, and the
// split job of the Job menu that works on the loaded file.

#include "app/applogging.h"
#include "app/mainwindow.h"
#include "app/recentlist.h"
#include "app/targetname.h"
#include "encoder/mediasplitter.h"
#include "encoder/records/encodingsource.h"
#include "encoding/encoderwidget.h"
#include "encoding/mediainfodatadialog.h"
#include "encoding/splitmoviedialog.h"
#include "engines/ffprobedata.h"
#include "engines/mediainfodata.h"
#include "jobs/filechooser.h"
#include "jobs/nestedloop.h"
#include "jobs/rawnamealiases.h"
#include "player/playerwidget.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStatusBar>
#include <QTextEdit>
#include <QUrl>

namespace {
constexpr int FirstFixedZoom = 2; // "2:1"; "Auto" and "Max" stay as they are

// The input that stays loaded when a chooser is cancelled; empty when none is.
QString loadedInput(const PlayerWidget *player, const EncoderWidget *encoder)
{
    if (player->loadStateBox->checkState() != Qt::Checked)
        return QString();
    return encoder->encodingSource().path;
}
} // namespace

void MainWindow::reportCancelledChoice(const QString &nothingLoaded)
{
    // "not loaded" would read as if the input loaded before had gone.
    const QString loaded = loadedInput(m_playerWidget, m_encoderWidget);
    statusBar()->showMessage(loaded.isEmpty() ? nothingLoaded : tr("Input unchanged [%1]").arg(loaded),
                             ResultTimeout);
}

bool MainWindow::readyToOpen()
{
    // One load at a time: the window keeps handling events while one runs.
    if (PlayerWidget::loadsInProgress() > 0)
        return false;
    if (!enginesReady())
        askLateEnginesAgain();
    if (enginesReady())
        return true;
    checkEnginesReady();
    return false;
}

void MainWindow::prepareLoading(bool clearConsoles)
{
    m_encoderWidget->enableControls(false);
    NestedLoop::processEvents("MainWindow::prepareLoading");
    if (clearConsoles) {
        for (QTextEdit *view : {m_logView, m_stdInView, m_stdOutView, m_stdErrView})
            if (view)
                view->clear();
    }
}

void MainWindow::openDvd()
{
    openDvdFolder(false);
}

// The folder of a chosen IFO file is the DVD: the player reads a DVD from its folder.
QString MainWindow::dvdFolderOf(const QString &chosen)
{
    const QFileInfo info(chosen);
    if (info.isFile() && info.suffix().compare(QLatin1String("ifo"), Qt::CaseInsensitive) == 0)
        return info.absolutePath();
    return chosen;
}

void MainWindow::openDvdFolder(bool extended)
{
    if (!readyToOpen())
        return;
    const QString start = m_dvdPath.isEmpty() ? QDir::rootPath() : m_dvdPath;
    // The entry offers a DVD root, a VIDEO_TS folder or an IFO file.
    const QString chosen = FileChooser::existingFolderOrFile(this, tr("Open DVD VIDEO_TS Folder"), start,
                                                             tr("DVD IFO files (*.IFO *.ifo)"));
    // A cancelled choice changes nothing: the loaded input stays ready to encode.
    if (chosen.isEmpty()) {
        reportCancelledChoice(tr("DVD not loaded"));
        return;
    }
    // The extended player panel clears the consoles itself when it loads.
    prepareLoading(!extended);
    loadInput(dvdFolderOf(chosen), RecentList::DvdKind, extended);
}

void MainWindow::openFile()
{
    if (!readyToOpen())
        return;
    // The folder the last file is in; for an alias, the folder of the file it stands for.
    QString start = QFileInfo(RawNameAliases::realFolder(m_filePath)).canonicalFilePath();
    if (m_filePath.isEmpty() || start.isEmpty())
        start = desktopFolder();
    const QString file = FileChooser::openFileName(this, tr("Open media file"), start, QString());
    if (file.isEmpty()) {
        reportCancelledChoice(tr("Movie file not loaded"));
        return;
    }
    prepareLoading(true);
    // Both windows load a file through the base panel's operation.
    loadInput(file, RecentList::FileKind, false);
}

void MainWindow::openRecentMovie()
{
    openRecentEntry(false);
}

void MainWindow::openRecentEntry(bool extended)
{
    if (!readyToOpen())
        return;
    auto *action = qobject_cast<QAction *>(sender());
    if (!action)
        return;
    const QString entry = action->data().toString();
    prepareLoading(!extended);
    const RecentList::Entry parsed = RecentList::parse(entry);
    const int kind = parsed.kind == RecentList::DvdKind ? RecentList::DvdKind : RecentList::FileKind;
    loadInput(parsed.path, kind, extended, entry);
}

bool MainWindow::setExtendedInput(const QString &path, int kind)
{
    return m_playerWidget->setInput(path, kind);
}

bool MainWindow::loadInput(const QString &path, int kind, bool extended, const QString &recentEntry)
{
    const bool dvd = kind == RecentList::DvdKind;
    m_loadingText = (dvd ? tr("Loading DVD from %1") : tr("Loading movie from %1")).arg(path);
    statusBar()->showMessage(m_loadingText);
    const bool loaded = extended ? setExtendedInput(path, kind) : m_playerWidget->setInput(path, kind);
    if (!loaded) {
        if (!recentEntry.isEmpty())
            removeRecentMovie(recentEntry);
        emit movieLoaded(-1);
        statusBar()->showMessage(tr("Failed to set player input [%1]").arg(path), ResultTimeout);
        return false;
    }
    if (dvd)
        setCurrentDvdPath(path);
    else
        setCurrentFilePath(path);
    defaultTargetName(kind);
    emit movieLoaded(kind);
    const QString loadedText = (dvd ? tr("DVD loaded [%1]") : tr("Movie file loaded [%1]")).arg(path);
    // What the load could not learn stays on screen until the next message.
    const QStringList notes = m_playerWidget->loadNotes();
    if (notes.isEmpty())
        statusBar()->showMessage(loadedText, ResultTimeout);
    else
        statusBar()->showMessage(loadedText + QLatin1Char(' ') + notes.join(QLatin1Char(' ')));
    return true;
}

void MainWindow::setCurrentDvdPath(const QString &path)
{
    m_dvdPath = path;
    RecentList::add(m_recent, RecentList::entry(path, RecentList::DvdKind));
    updateRecentMenu();
    qCDebug(lcApp) << "Set current DVD path:" << path;
    qCDebug(lcApp) << "Recent movies in File menu:" << m_recent;
}

void MainWindow::setCurrentFilePath(const QString &path)
{
    m_filePath = path;
    RecentList::add(m_recent, RecentList::entry(path, RecentList::FileKind));
    updateRecentMenu();
    qCDebug(lcApp) << "Set current File path:" << path;
    qCDebug(lcApp) << "Recent movies in File menu:" << m_recent;
}

void MainWindow::updateRecentMenu()
{
    const int shown = std::min<int>(m_recent.size(), RecentCount);
    for (int i = 0; i < RecentCount; ++i) {
        QAction *action = recentActions[i];
        if (i >= shown) {
            action->setVisible(false);
            continue;
        }
        const QString &entry = m_recent.at(i);
        action->setText(RecentList::menuText(entry));
        action->setData(entry);
        action->setStatusTip(RecentList::parse(entry).path);
        action->setVisible(true);
    }
    clearRecentAction->setEnabled(shown > 0);
}

void MainWindow::removeRecentMovie(const QString &entry)
{
    m_recent.removeOne(entry);
    updateRecentMenu();
}

void MainWindow::clearRecent()
{
    m_recent.clear();
    // The next choosers start afresh: the DVD one at the root, the file one on the desktop.
    m_dvdPath.clear();
    m_filePath.clear();
    updateRecentMenu();
}

void MainWindow::defaultTargetName(int kind)
{
    const EncoderPreferences &encoder = m_preferences.encoder;
    m_targetName = TargetName::fromSource(m_playerWidget->inputPath(), kind,
                                          encoder.forceOutputName, encoder.outputName);
    m_encoderWidget->setTarget(m_targetFolder, m_targetName);
}

void MainWindow::onMovieLoaded(int kind)
{
    if (kind != RecentList::FileKind && kind != RecentList::DvdKind) {
        // No input: nothing to encode or inspect.
        m_encoderWidget->enableControls(false);
        updateJobMenu();
        setWindowTitle(m_windowTitle);
        mediaInfoAction->setEnabled(false);
        ffprobeInfoAction->setEnabled(false);
        return;
    }
    const bool dvd = kind == RecentList::DvdKind;
    const QString path = dvd ? m_dvdPath : m_filePath;
    // The base panel's part only: the extended window hands the source to the extended
    // panel itself right after this (mervoOnMovieLoaded).
    m_encoderWidget->EncoderWidget::onMovieLoaded(path, kind);
    m_encoderWidget->enableControls(true);
    updateEncoderInput();
    updateJobMenu();
    const QString shown = dvd ? path : QFileInfo(path).fileName();
    setWindowTitle(path.isEmpty() ? m_windowTitle : tr("%1 - %2").arg(m_windowTitle, shown));
    mediaInfoAction->setEnabled(true);
    ffprobeInfoAction->setEnabled(true);
}

void MainWindow::updateEncoderInput()
{
    qCDebug(lcApp) << "MainWindow::updateEncoderInput() copy player input data into encoder";
    const PlayerWidget *player = m_playerWidget;
    if (player->loadStateBox->checkState() != Qt::Checked)
        return;
    m_encoderWidget->updateInput(player->currentSource(), !player->playing);
}

void MainWindow::enableVideoOpenActions(bool playing)
{
    for (QAction *action : {openDvdAction, openFileAction})
        action->setEnabled(!playing);
    // Loading while the panel plays is refused for every input, the recent ones included.
    for (QAction *action : recentActions)
        action->setEnabled(!playing);
    for (int i = FirstFixedZoom; i < int(std::size(zoomActions)); ++i)
        zoomActions[i]->setEnabled(!playing);
    m_encoderWidget->enableControls(!playing);
}

void MainWindow::openTargetOnDesktop()
{
    statusBar()->showMessage(tr("Open target folder on desktop..."));
    // A local file URL, so that blanks, "#" and "%" in the folder reach the file manager.
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(m_targetFolder)))
        statusBar()->showMessage(tr("Done"), RefusalTimeout);
    else
        reportDesktopRefusal(m_targetFolder);
}

void MainWindow::showMediaInfo()
{
    MediaInfoData data = m_playerWidget->mediaInfoData();
    MediaInfoDataDialog dialog(&data, this);
    dialog.exec();
}

void MainWindow::showFFprobe()
{
    // The FFprobe record is taken, but no window shows it.
    const FFprobeData data = m_playerWidget->ffprobeData();
    Q_UNUSED(data);
}

void MainWindow::jobSplitMovie()
{
    statusBar()->showMessage(tr("Preparing a new split job..."));
    const QFileInfo input(m_filePath);
    const qint64 inputSize = input.size();
    QString inputFolder = input.canonicalPath();
    QString outputFolder = m_targetFolder;
    int volumeCount = 0;
    qint64 volumeSize = 0;
    if (m_playerWidget->inputKind() != RecentList::FileKind) {
        statusBar()->showMessage(tr("Split only possible for file input"), RefusalTimeout);
        return;
    }
    SplitMovieDialog dialog(inputSize, &inputFolder, &outputFolder, &volumeCount, &volumeSize, this);
    // The input is analysed while the user chooses the volumes: the split starts at once.
    const auto rule = [&dialog] {
        return dialog.equalParts() ? MediaSplitter::VolumeRule::EqualParts : MediaSplitter::VolumeRule::WithinSize;
    };
    MediaSplitter::prefetchInputAnalysis(m_filePath, rule());
    // Within a size, the dialog says the volumes the split makes once the input's pictures
    // are listed.
    const QString path = m_filePath;
    dialog.setVolumePlanner(
        [path](qint64 size, qint64 *lastSize) { return MediaSplitter::volumesAhead(path, size, lastSize); });
    MediaSplitter::whenListedAhead(path, &dialog, [&dialog] { dialog.replan(); });
    connect(&dialog, &SplitMovieDialog::methodChanged, this, [&dialog, path, rule] {
        MediaSplitter::prefetchListing(path, rule());
        MediaSplitter::whenListedAhead(path, &dialog, [&dialog] { dialog.replan(); });
    });
    if (dialog.exec() != QDialog::Accepted) {
        MediaSplitter::dropInputAnalysis(m_filePath);
        return;
    }
    auto *splitter = new MediaSplitter(m_jobManager);
    QPointer<MediaSplitter> alive(splitter);
    splitter->setAutoDelete(true);
    splitter->setOutputFolder(outputFolder);
    splitter->startSplit(m_filePath, volumeCount, volumeSize, rule());
    MediaSplitter::dropInputAnalysis(m_filePath); // when the split did not come to it
    // A split refused before its first volume never finishes, so it would never delete
    // itself (one that ended at once has a deletion pending, which deleting now cancels).
    if (alive && alive->currentVolume() == 0)
        delete alive.data();
}
