// A playback from start to stop: MPlayer in slave mode drawing into the renderer, the poll
// timer and the answers it brings, the DVD time code, error watching and the stop.

#include "player/playerwidget.h"
#include "jobs/nestedloop.h"
#include "player/playerlogging.h"

#include "engines/player.h"
#include "engines/playbackinfo.h"
#include "engines/playeroutputcode.h"
#include "engines/videoinfo.h"
#include "jobs/console.h"
#include "jobs/infoboxdialog.h"
#include "jobs/processtree.h"
#include "jobs/programstart.h"
#include "jobs/valuetext.h"
#include "player/rendererframe.h"
#include "player/timecodewidget.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>
#include <QTime>
#include <QTimer>

#include <cmath>

namespace {
// A title-relative position may lie this much before the chapter start the engine names.
constexpr double kChapterStartTolerance = 1.0;
} // namespace

void PlayerWidget::writeCommand(const QString &text)
{
    playbackProcess->write(text.toUtf8());
}

// A poll must not resume a paused player: MPlayer runs any other command unpaused.
void PlayerWidget::writePoll(const QString &text)
{
    writeCommand(paused ? QStringLiteral("pausing_keep_force ") + text : text);
}

// Each run gets its own process: an ended run's late signals (its end may still be on its
// way while the next run starts, as when a failed video output is retried) never reach
// the run that follows.
void PlayerWidget::renewPlaybackProcess()
{
    if (playbackProcess) {
        playbackProcess->disconnect(this);
        playbackProcess->deleteLater();
    }
    playbackProcess = new QProcess(this);
    // MPlayer goes with the program, however the program ends.
    ProcessTree::bindToProgram(playbackProcess);
    connect(playbackProcess, &QProcess::readyReadStandardOutput, this, &PlayerWidget::readStandardOutput);
    connect(playbackProcess, &QProcess::readyReadStandardError, this, &PlayerWidget::readStandardError);
    connect(playbackProcess, &QProcess::finished, this, &PlayerWidget::playerEnded);
}

bool PlayerWidget::startPlayback()
{
    if (playing)
        return true;
    if (playbackProcess->state() != QProcess::NotRunning) {
        showLoadFailure(tr("Failed to start playback."), tr("Player is not ready."));
        return false;
    }
    log(tr("Start playback."), LogLevel::Verbose);
    qCDebug(lcPlayer) << "Start playback.";
    playbackErrors->clear();
    if (!QFileInfo::exists(sourcePath)) {
        showLoadFailure(tr("Failed to start playback from:\n%1").arg(sourcePath),
                        tr("This movie path doesn't exist."));
        return false;
    }
    timecodeWidget->reset();
    if (!setPlaybackOptions())
        return false;

    const WId windowId = renderer->winId();
    qCDebug(lcPlayer) << "PlayerWidget: set Player Wid" << windowId;
    player->setWid(QString::number(windowId));
    const bool preview = preferences.testMode;
    QString program;
    QStringList arguments;
    player->cliPlay(&program, &arguments, preview ? preferences.testFrames : 0,
                    preview ? preferences.testChapter : 0, preview ? preferences.testPosition : 0,
                    preferences.volume);
    const QString commandLine = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    echoCommand(program, arguments);

    pollTimer->blockSignals(false);
    qCDebug(lcPlayer) << "Start player process" << program << arguments << "in new process...";
    renewPlaybackProcess();
    ProgramStart::start(playbackProcess, program, arguments, QIODevice::ReadWrite | QIODevice::Unbuffered);
    playbackProcess->blockSignals(false);
    if (!playbackProcess->waitForStarted(preferences.latencyStart)) {
        InfoBoxDialog box(this);
        box.setText(tr("Failed to start playback."));
        box.setInformativeText(tr("Please check %1 installation and player settings.")
                                   .arg(QCoreApplication::applicationName()));
        box.setDetailedText(commandLine);
        box.exec();
        log(tr("Failed to start playback."), LogLevel::Quiet);
        return false;
    }
    log(tr("Playback started."), LogLevel::Verbose);
    qCDebug(lcPlayer) << "Playback started.";
    writeCommand(player->cliGetDeinterlace());
    writeCommand(player->cliOsdShowText(tr("Preview mode"), 3));
    writeCommand(player->cliOsdShowProgression());

    pollTimer->start(preferences.pollTicks);
    setRendererActive(true);
    paused = false;
    for (QPushButton *button : {pauseButton, slowerButton, fasterButton})
        button->setEnabled(true);
    for (QPushButton *button : {prevChapterButton, nextChapterButton, backwardButton, forwardButton})
        button->setEnabled(!preview);
    return true;
}

// The engine's options for the current selection. False when no title can be played.
bool PlayerWidget::setPlaybackOptions()
{
    if (mediaKind == VideoInfo::DvdTitle) {
        position = 0.0;
        chapterCursor = 0;
        chapterLabel->setText(tr("_"));
        chapterLabel->show();
        // A title number that names no loaded title plays title 1.
        if (!titleRecord(selectedTitle)) {
            log(tr("Invalid title number %1 forced to 1 for playback.").arg(selectedTitle), LogLevel::Verbose);
            selectedTitle = 1;
        }
        const TitleInfo *title = titleRecord(selectedTitle);
        if (!title) {
            showLoadFailure(tr("Failed to start playback."), tr("Player is not ready."));
            return false;
        }
        player->setDvdTitle(selectedTitle);
        if (title->length > 0)
            timeLine->setMaximum(int(title->length) + 1);
        if (audioIndex > -1 && audioIndex < title->audioStreams.size()) {
            player->setAudioId(title->audioStreams.at(audioIndex).aid);
            player->enableAudio();
        } else {
            player->disableAudio();
        }
        setSubtitleOption(title->subtitleStreams);
        if (angleIndex > 1)
            player->setDvdAngle(angleIndex);
        return true;
    }
    if (mediaKind == VideoInfo::MediaFile) {
        chapterLabel->hide();
        const int maximum = int(movieInfo.length) + 1;
        if (selectedTitle > -1) {
            player->enableVideo();
            if (movieInfo.length > 0)
                timeLine->setMaximum(maximum);
        } else {
            player->disableVideo();
        }
        if (audioIndex > -1 && audioIndex < movieInfo.audioStreams.size()) {
            player->setAudioId(movieInfo.audioStreams.at(audioIndex).aid);
            player->enableAudio();
            if (movieInfo.length > 0)
                timeLine->setMaximum(maximum);
        } else {
            player->disableAudio();
        }
        setSubtitleOption(movieInfo.subtitleStreams);
        return true;
    }
    log(tr("Media %1 (%2) not supported, forced to 0 (Video::Media::File) for basic playback.")
            .arg(mediaKind)
            .arg(mediaTypeName(mediaKind)),
        LogLevel::Verbose);
    mediaKind = VideoInfo::MediaFile;
    return true;
}

void PlayerWidget::setSubtitleOption(const QList<SubtitleInfo> &streams)
{
    if (subtitleIndex > -1 && subtitleIndex < streams.size()) {
        player->setSubtitleId(streams.at(subtitleIndex).sid);
        player->enableSubtitle();
    } else {
        player->disableSubtitle();
    }
}

void PlayerWidget::pollCurrentTime()
{
    if (mediaKind == VideoInfo::DvdTitle)
        writePoll(player->cliGetChapter());
    writePoll(player->cliGetTimePos());
}

void PlayerWidget::readStandardOutput()
{
    playbackProcess->setReadChannel(QProcess::StandardOutput);
    while (playbackProcess->canReadLine()) {
        NestedLoop::processEvents("PlayerWidget::readStandardOutput");
        playbackProcess->setReadChannel(QProcess::StandardOutput);
        if (!playbackProcess->canReadLine())
            break;
        const QByteArray line = playbackProcess->readLine();
        int code = PlayerOutputCode::Ignored;
        PlaybackAnswer answer;
        if (!player->parseStdoutRun(line, &code, &answer)) {
            qCDebug(lcPlayer) << "PlayerWidget: failed to parse player output" << line;
            log(tr("Failed to parse player output [%1]").arg(QString::fromUtf8(line)), LogLevel::Normal);
            continue;
        }
        if (code != PlayerOutputCode::TimePosition && code != PlayerOutputCode::CurrentChapter)
            logStdOut(QString::fromUtf8(line).simplified(), LogLevel::Normal);
        applyPlaybackAnswer(code, answer);
    }
}

void PlayerWidget::applyPlaybackAnswer(int code, const PlaybackAnswer &answer)
{
    switch (code) {
    case PlayerOutputCode::TimePosition: {
        timeLine->setValue(int(answer.position + 1.0));
        const double offset = mediaKind == VideoInfo::DvdTitle ? dvdTimeOffset(answer.position) : 0.0;
        position = answer.position;
        qCDebug(lcPlayer) << "PlayerWidget: set time code";
        timecodeWidget->setTime(QTime(0, 0).addSecs(qint64(answer.position + offset)).toString(QStringLiteral("hh:mm:ss")));
        break;
    }
    case PlayerOutputCode::CurrentChapter:
        qCDebug(lcPlayer) << "PlayerWidget: current chapter" << answer.chapter;
        currentChapter = answer.chapter;
        // MPlayer counts chapters from 0; the disc and its menus count them from 1.
        chapterLabel->setText(answer.chapter >= 0 ? QString::number(answer.chapter + 1) : tr("_"));
        break;
    case PlayerOutputCode::Speed: {
        qCDebug(lcPlayer) << "PlayerWidget: get real playback speed" << answer.speed;
        normalSpeed = answer.speed == 1.0;
        const bool preview = preferences.testMode;
        if (normalSpeed) {
            playButton->setIcon(preview ? stopExcerptIcon : stopIcon);
            playButton->setToolTip(tr("Stop playback"));
        } else {
            playButton->setIcon(preview ? playExcerptFastIcon : playFastIcon);
            playButton->setToolTip(tr("Normal speed"));
        }
        break;
    }
    case PlayerOutputCode::Length:
        qCDebug(lcPlayer) << "PlayerWidget: get movie length info while playback";
        if (timeLine->maximum() == 0)
            timeLine->setMaximum(int(answer.length) + 1);
        break;
    case PlayerOutputCode::Exiting:
        log(tr("Warning: playback ended."), LogLevel::Verbose);
        break;
    default:
        break;
    }
}

// Older engines counted a DVD position from the start of the current chapter after a
// chapter seek; today's count from the start of the title. A position at or after the
// start of the chapter the engine is in is taken as it is; one before it counts from a
// chapter start, found by the rule of the older engines.
double PlayerWidget::dvdTimeOffset(double newPosition)
{
    const TitleInfo *title = titleRecord(selectedTitle);
    const QList<double> times = title ? title->chapterTimes : QList<double>();
    if (position >= newPosition) {
        const bool chapterRelative = currentChapter >= 0 && currentChapter < times.size()
                                     && newPosition + kChapterStartTolerance < times.at(currentChapter);
        chapterCursor = chapterRelative ? currentChapter : 0;
        while (chapterRelative && chapterCursor > 0 && currentChapter + 1 < times.size()
               && times.at(chapterCursor) + newPosition > times.at(currentChapter + 1))
            --chapterCursor;
    }
    const double offset = chapterCursor >= 0 && chapterCursor < times.size() ? times.at(chapterCursor) : 0.0;
    qCDebug(lcPlayer) << "PlayerWidget: DVD time code correction" << "position, chapter, correction:"
                      << newPosition << currentChapter << offset;
    return offset;
}

void PlayerWidget::readStandardError()
{
    QByteArray batch;
    playbackProcess->setReadChannel(QProcess::StandardError);
    while (playbackProcess->canReadLine()) {
        NestedLoop::processEvents("PlayerWidget::readStandardError");
        playbackProcess->setReadChannel(QProcess::StandardError);
        if (!playbackProcess->canReadLine())
            break;
        const QByteArray line = playbackProcess->readLine();
        batch += line;
        const QString text = QString::fromUtf8(line).simplified();
        qCDebug(lcPlayer) << "Playback StdErr:" << text;
        logStdErr(text, LogLevel::Normal);
        playbackErrors->append(text);
        int code = PlayerOutputCode::Ignored;
        QString reported;
        player->parseStderr(line, &code, &reported);
        // Every frame retries the output and says so again: one fallback per output.
        if (code == PlayerOutputCode::VideoOutputFailed && !videoOutput.isEmpty()
            && !failedVideoOutputs.contains(videoOutput)) {
            failedVideoOutputs.append(videoOutput);
            // Not from inside the process's own signal: the playback restarts afterwards.
            QTimer::singleShot(0, this, &PlayerWidget::playWithNextVideoOutput);
        }
    }
    if (batch.contains("MPlayer interrupted") || batch.contains("MPlayer crashed")) {
        log(tr("Player error: playback failed."), LogLevel::Quiet);
        stop();
        showLoadFailure(tr("Playback aborted"), tr("Player process crashed, try to change display zoom to lower value."));
    }
}

void PlayerWidget::playWithNextVideoOutput()
{
    const QString failed = failedVideoOutputs.value(failedVideoOutputs.size() - 1);
    // Without a picture the engine may already have ended (a file without sound).
    stop();
    chooseVideoOutput();
    if (videoOutput.isEmpty()) {
        log(tr("Player error: no video output works on this display."), LogLevel::Quiet);
        showLoadFailure(tr("Playback aborted"),
                        tr("The player could not open its video output %1 on this display, and no other "
                           "output it lists is left to try.").arg(failed));
        return;
    }
    log(tr("Video output %1 failed on this display, playing through %2.").arg(failed, videoOutput),
        LogLevel::Quiet);
    switchState();
}

void PlayerWidget::monitorPlaybackErrors()
{
    bool tooMany = false;
    for (const QString &line : std::as_const(*playbackErrors)) {
        if (playbackErrors->count(line) > preferences.maxErrorRepeats) {
            tooMany = true;
            break;
        }
    }
    if (!tooMany && playbackErrors->size() <= preferences.maxErrorLines)
        return;
    log(tr("Player error: too many playback errors."), LogLevel::Quiet);
    stop();
    showLoadFailure(tr("Playback aborted"), tr("Player received too many palyback errors from."));
}

bool PlayerWidget::stopPlayback()
{
    if (!playing)
        return true;
    log(tr("Stop playback."), LogLevel::Normal);
    qCDebug(lcPlayer) << "Stop playback.";
    writeCommand(player->cliQuit());
    // The process's end runs playerEnded() inside this wait.
    const bool finished = playbackProcess->waitForFinished(preferences.latencyFinished);
    if (!finished) {
        qCDebug(lcPlayer) << "Failed to stop player backend softly, waitForFinished() has timed out.";
        log(tr("Failed to stop playback softly, kill player backend process."), LogLevel::Verbose);
    }
    // No late tick or end signal may reach the panel after a stop.
    pollTimer->blockSignals(true);
    pollTimer->stop();
    NestedLoop::processEvents("PlayerWidget::stopPlayback");
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

void PlayerWidget::applyStoppedControls()
{
    updatePlayIcons();
    setControlsEnabled(true);
    for (QWidget *widget : {static_cast<QWidget *>(timeLine), static_cast<QWidget *>(timecodeWidget),
                            static_cast<QWidget *>(chapterLabel)})
        widget->setEnabled(false);
    setRendererActive(false);
    normalSpeed = true;
}

void PlayerWidget::stop()
{
    if (!playing) {
        emit stateChanged(false);
        return;
    }
    stopPlayback();
    applyStoppedControls();
    emit stateChanged(playing);
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
    // The end may arrive before the last words, which say why it ended (a failed output).
    // Read last: a fallback they start may begin the next run while they are read.
    readStandardOutput();
    readStandardError();
}
