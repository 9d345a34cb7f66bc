// The playback buttons and the timeline: start and stop, pause, speed, chapter steps and
// seeks, written to the running player as slave commands.

#include "player/playerwidget.h"
#include "player/playerlogging.h"

#include "engines/player.h"
#include "engines/videoinfo.h"
#include "jobs/console.h"
#include "player/timecodewidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

namespace {
// Chapter steps of a movie file are a tenth of its length, seek steps a hundredth, and
// never shorter than these.
constexpr int kChapterDivisor = 10;
constexpr int kMinimumChapterStep = 30;
constexpr int kSeekDivisor = 100;
constexpr int kMinimumSeekStep = 10;
} // namespace

void PlayerWidget::showPlayingButton()
{
    playButton->setIcon(preferences.testMode ? stopExcerptIcon : stopIcon);
    playButton->setToolTip(tr("Stop playback"));
}

void PlayerWidget::switchState()
{
    if (!normalSpeed) {
        writeCommand(player->cliNormalSpeed());
        setControlsEnabled(true);
        showPlayingButton();
        normalSpeed = true;
        emit stateChanged(playing);
        return;
    }
    if (!playing) {
        play();
        return;
    }
    stopPlayback();
    applyStoppedControls();
    emit stateChanged(playing);
}

void PlayerWidget::play()
{
    if (playing) {
        emit stateChanged(true);
        return;
    }
    if (!startPlayback()) {
        log(tr("Can't start playback [failed to start player]."), LogLevel::Quiet);
        return;
    }
    for (QWidget *widget : {static_cast<QWidget *>(timeLine), static_cast<QWidget *>(timecodeWidget),
                            static_cast<QWidget *>(chapterLabel)})
        widget->setEnabled(true);
    setRendererActive(true);
    playing = true;
    normalSpeed = true;
    showPlayingButton();
    setControlsEnabled(true);
    emit stateChanged(true);
}

void PlayerWidget::switchPause()
{
    writeCommand(player->cliPause());
    paused = !paused;
    pauseButton->setText(paused ? tr("Resume") : tr("Pause"));
}

bool PlayerWidget::seekable() const
{
    return playing && !paused;
}

void PlayerWidget::switchFaster()
{
    if (!seekable())
        return;
    writeCommand(player->cliFaster());
    writeCommand(player->cliGetSpeed());
}

void PlayerWidget::switchSlower()
{
    if (!seekable())
        return;
    writeCommand(player->cliSlower());
    writeCommand(player->cliGetSpeed());
}

// The length the seek buttons step through: the selected DVD title's or the movie's.
double PlayerWidget::playbackLength() const
{
    if (mediaKind == VideoInfo::DvdTitle) {
        const TitleInfo *title = titleRecord(selectedTitle);
        return title ? title->length : 0.0;
    }
    return movieInfo.length;
}

void PlayerWidget::stepBack(int step)
{
    if (int(position) - step > 0)
        writeCommand(player->cliPrevChapter(step));
}

void PlayerWidget::stepForward(int step, double length)
{
    if (int(position) + step < length)
        writeCommand(player->cliNextChapter(step));
}

void PlayerWidget::prevChapter()
{
    if (!seekable())
        return;
    if (mediaKind == VideoInfo::DvdTitle)
        writeCommand(player->cliPrevChapter(0));
    else
        stepBack(std::max(int(movieInfo.length / kChapterDivisor), kMinimumChapterStep));
}

void PlayerWidget::nextChapter()
{
    if (!seekable())
        return;
    if (mediaKind == VideoInfo::DvdTitle)
        writeCommand(player->cliNextChapter(0));
    else
        stepForward(std::max(int(movieInfo.length / kChapterDivisor), kMinimumChapterStep), movieInfo.length);
}

void PlayerWidget::prev()
{
    if (!seekable())
        return;
    stepBack(std::max(int(playbackLength() / kSeekDivisor), kMinimumSeekStep));
}

void PlayerWidget::next()
{
    if (!seekable())
        return;
    const double length = playbackLength();
    stepForward(std::max(int(length / kSeekDivisor), kMinimumSeekStep), length);
}

void PlayerWidget::timeLineChanged(int value)
{
    writeCommand(player->cliSeek(value));
}
