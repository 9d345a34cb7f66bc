// The end of a playback: the soft stop with its kill fall-back, and what the panel does
// whenever the playback process ends.

#include "player/playerwidget.h"
#include "player/playerlogging.h"

#include "engines/player.h"
#include "jobs/console.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

bool PlayerWidget::stopPlayback()
{
    if (!playing)
        return true;
    log(tr("Stop playback."), LogLevel::Normal);
    qCDebug(lcPlayer) << "Stop playback.";
    playbackProcess->write(player->cliQuit().toUtf8());
    // The process's end runs playerEnded() inside this wait.
    const bool finished = playbackProcess->waitForFinished(preferences.latencyFinished);
    if (!finished) {
        qCDebug(lcPlayer) << "Failed to stop player backend softly, waitForFinished() has timed out.";
        log(tr("Failed to stop playback softly, kill player backend process."), LogLevel::Verbose);
    }
    // No late tick or end signal may reach the panel after a stop.
    pollTimer->blockSignals(true);
    pollTimer->stop();
    QCoreApplication::processEvents();
    playbackProcess->blockSignals(true);
    if (!finished) {
        playbackProcess->close();
        playing = false;
    }
    timeLine->setValue(0);
    for (QPushButton *button : {pauseButton, slowerButton, fasterButton, prevChapterButton,
                                nextChapterButton})
        button->setEnabled(false);
    return true;
}

void PlayerWidget::playerEnded(int, QProcess::ExitStatus)
{
    qCDebug(lcPlayer) << "PlayerWidget: playback ended (process exited).";
    pollTimer->blockSignals(true);
    playbackProcess->blockSignals(true);
    pollTimer->stop();
    setRendererActive(false);
    playing = false;
    updatePlayIcons();
    setControlsEnabled(true);
    log(tr("Playback ended."), LogLevel::Quiet);
    emit stateChanged(false);
}
