// The entry of every load: the load state, the progress window, the DVD path check, the
// loader, and recording the loaded source.

#include "player/playerwidget.h"
#include "player/playerlogging.h"

#include "engines/player.h"
#include "engines/videoinfo.h"
#include "jobs/console.h"
#include "jobs/infoboxdialog.h"
#include "jobs/producttitle.h"
#include "jobs/valuetext.h"
#include "player/loadprocess.h"
#include "player/progresswidget.h"
#include "player/timecodewidget.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QSlider>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QTextEdit>

namespace {
constexpr int kProgressMinimum = 1;
constexpr int kProgressMaximum = 50;
} // namespace

bool PlayerWidget::setInput(const QString &path, int kind)
{
    return loadInput(path, kind, false);
}

namespace {
int s_loadsInProgress = 0;
} // namespace

int PlayerWidget::loadsInProgress()
{
    return s_loadsInProgress;
}

bool PlayerWidget::loadInput(const QString &path, int kind, bool extended)
{
    // The window handles its events while a load runs: a second load asked for meanwhile
    // is refused and changes nothing.
    if (loading)
        return false;
    const QScopedValueRollback<bool> busy(loading, true);
    const QScopedValueRollback<int> counted(s_loadsInProgress, s_loadsInProgress + 1);
    m_loadNotes.clear();
    if (extended) {
        clearStdInConsole();
        clearStdOutConsole();
        clearStdErrConsole();
        clearLogConsole();
    }
    // An unknown kind is refused before the panel is marked as loading, so whatever was
    // loaded stays loaded and usable.
    if (kind != VideoInfo::MediaFile && kind != VideoInfo::DvdTitle)
        return false;
    loadStateBox->setCheckState(Qt::PartiallyChecked);
    clearSourceDisplay();

    const QString title = tr("%1 - Processing").arg(productTitle());
    bool ok = false;
    if (kind == VideoInfo::MediaFile) {
        progressWidget = new ProgressWidget(title, tr("Please wait while computing media informations..."),
                                            kProgressMinimum, kProgressMaximum, consoleWindow);
        if (extended)
            progressWidget->setWindowModality(Qt::ApplicationModal);
        ok = loadFile(path);
    } else {
        progressWidget = new ProgressWidget(title, tr("Please wait while loading DVD informations..."),
                                            kProgressMinimum, kProgressMaximum, consoleWindow);
        dvdLoadAborted = false;
        connect(progressWidget, &ProgressWidget::closedByUser, this, &PlayerWidget::stopLoadDvd);
        progressWidget->setWindowModality(Qt::ApplicationModal);
        progressWidget->step();
        progressWidget->showPainted();
        ok = checkDvdPath(path) && loadDvd(path);
    }

    delete progressWidget;
    progressWidget = nullptr;
    if (!ok) {
        loadStateBox->setCheckState(Qt::Unchecked);
        return false;
    }

    if (extended)
        loadStateBox->setCheckState(Qt::Checked);
    sourcePath = path;
    mediaKind = kind;
    bool audioOnly = movieInfo.audioOnly;
    if (extended) {
        noVideo = kind == VideoInfo::MediaFile && movieInfo.videoFormat.isEmpty();
        audioOnly = noVideo;
    }
    if (kind == VideoInfo::DvdTitle)
        player->setSourceDvdTitle(sourcePath, VideoInfo::DvdTitle, selectedTitle);
    else
        player->setSourceFile(sourcePath, kind, audioOnly);
    player->setRotation(kind == VideoInfo::DvdTitle ? 0 : movieInfo.facts.rotation);
    if (!extended)
        loadStateBox->setCheckState(Qt::Checked);

    setZoom(zoom);
    const QString titlePart = kind == VideoInfo::DvdTitle ? tr(" title %1").arg(selectedTitle) : QString();
    log(tr("Set player input (%1%2): %3").arg(mediaTypeName(kind), titlePart, sourcePath),
        LogLevel::Verbose);
    setControlsEnabled(true);
    return true;
}

// What the panel shows of the source loaded before (its position, chapter and the picture
// of a sound file) goes with it: a new load, and a failed one, start from a clean panel.
void PlayerWidget::clearSourceDisplay()
{
    timecodeWidget->reset();
    timeLine->setValue(0);
    position = 0.0;
    currentChapter = 0;
    chapterCursor = 0;
    chapterLabel->setText(tr("_"));
    audioPicture->hide();
}

bool PlayerWidget::checkDvdPath(const QString &path)
{
    stepProgress();
    const QFileInfo info(path);
    if (!info.exists()) {
        showLoadFailure(tr("Failed to load DVD from:\n%1").arg(path), tr("This path doesn't exist."));
        return false;
    }
    stepProgress();
    if (!info.isDir()) {
        showLoadFailure(tr("Failed to access DVD from:\n%1").arg(path),
                        tr("This isn't a valid directory."));
        return false;
    }
    stepProgress();
    return true;
}

void PlayerWidget::stepProgress()
{
    if (progressWidget)
        progressWidget->step();
}

void PlayerWidget::showLoadFailure(const QString &text, const QString &informativeText)
{
    InfoBoxDialog box(this);
    box.setText(text);
    box.setInformativeText(informativeText);
    box.exec();
}

void PlayerWidget::showStartFailure(const LoadProcess &run, const QString &program,
                                    const QString &failureText, const QString &timedOut)
{
    if (run.couldNotStart()) {
        const QString cause = tr("The player engine could not be started [%1]: check its path in "
                                 "Options > Engine paths.").arg(program);
        log(cause, LogLevel::Quiet);
        showLoadFailure(failureText, cause);
        return;
    }
    log(timedOut, LogLevel::Quiet);
    log(tr("Try to increase player latency (start) in timing preferences."), LogLevel::Quiet);
    showLoadFailure(failureText, tr("Try to increase player latency (start) in timing preferences."));
}

void PlayerWidget::echoCommand(const QString &program, const QStringList &arguments)
{
    if (stdInConsole)
        Console::appendPlain(stdInConsole, program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
}
