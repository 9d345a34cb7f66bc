// Loading a DVD folder: one MPlayer identify run for the disc, one per title long enough to
// offer, one playback run per audio stream of a title, and MediaInfo on the folder.

#include "player/playerwidget.h"
#include "player/playerlogging.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/player.h"
#include "engines/playeroutputcode.h"
#include "jobs/console.h"
#include "jobs/valuetext.h"
#include "player/loadprocess.h"
#include "player/progresswidget.h"
#include "player/rendererframe.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

constexpr int kDvdKind = 2;
// A title run is waited for this long whatever the preferences say.
constexpr int kTitleRunMs = 10000;
// The disc run may take this much longer than the finish latency.
constexpr int kDiscRunExtraMs = 2000;

// What a title run must have told before its answers are complete.
struct TitleMarks
{
    bool video = false;
    bool scaledSize = false;
    bool chapters = false;
    bool audioCount = false;
    bool subtitleCount = false;

    bool complete(const TitleInfo &title) const
    {
        return video && scaledSize && chapters && audioCount && subtitleCount
               && title.audioStreams.size() == title.audioCount
               && title.subtitleStreams.size() == title.subtitleCount;
    }
};

QString simplifiedText(const QByteArray &line)
{
    return QString::fromUtf8(line).simplified();
}

// Applies one answer of a title run to the title and its marks; returns the line to log
// (empty for none).
QString applyTitleAnswer(int code, const ClipInfo &clip, int n, TitleInfo &title, TitleMarks &marks)
{
    switch (code) {
    case PlayerOutputCode::FileFormat:
        title.fileFormat = clip.fileFormat;
        return PlayerWidget::tr("Info: detected this DVD title file format [%1].").arg(clip.fileFormat);
    case PlayerOutputCode::VideoStream:
        title.videoFormat = clip.videoFormat;
        title.width = clip.width;
        title.height = clip.height;
        title.aspectCode = clip.aspectCode;
        title.frameRateCode = clip.frameRateCode;
        title.videoBitrate = clip.videoBitrate;
        marks.video = clip.width != 0 || clip.height != 0;
        return PlayerWidget::tr("Info: detected video stream %1 in this DVD title - resolution %2x%3 aspect %4 (%5) %6 fps %7 kbps.")
            .arg(clip.videoFormat)
            .arg(clip.width)
            .arg(clip.height)
            .arg(clip.aspectCode)
            .arg(aspectRatioText(clip.aspectCode), frameRateText(clip.frameRateCode),
                 oneDecimalText(clip.videoBitrate));
    case PlayerOutputCode::ScaledResolution:
        title.scaledWidth = clip.scaledWidth;
        title.scaledHeight = clip.scaledHeight;
        marks.scaledSize = clip.scaledWidth != 0 || clip.scaledHeight != 0;
        return PlayerWidget::tr("Info: detected %1x%2 scaled resolution in title %3.")
            .arg(clip.scaledWidth)
            .arg(clip.scaledHeight)
            .arg(n);
    case PlayerOutputCode::ChapterList:
        title.chapters = clip.chapters;
        title.chapterTimes = clip.chapterTimes;
        marks.chapters = true;
        return PlayerWidget::tr("Info: detected %1 chapters in title %2.").arg(clip.chapters).arg(n);
    case PlayerOutputCode::ChapterCount:
        // MPlayer lists no chapter starts for a title of one chapter ("ID_CHAPTERS=1"
        // alone): that chapter starts with the title. A longer count waits for its list.
        if (clip.chapters != 1 || marks.chapters)
            return QString();
        title.chapters = 1;
        title.chapterTimes = {0.0};
        marks.chapters = true;
        return PlayerWidget::tr("Info: detected %1 chapters in title %2.").arg(1).arg(n);
    case PlayerOutputCode::AudioStreamCount:
        title.audioCount = clip.audioCount;
        marks.audioCount = true;
        return QString();
    case PlayerOutputCode::AudioStream: {
        AudioInfo stream;
        stream.streamNumber = clip.audio.streamNumber;
        stream.aid = clip.audio.aid;
        stream.format = clip.audio.format;
        stream.channels = clip.audio.channels;
        stream.language = clip.audio.language;
        title.audioStreams.append(stream);
        return PlayerWidget::tr("Info: detected audio stream %1 in this DVD title - id %2 language %3 format %4 channels %5.")
            .arg(stream.streamNumber)
            .arg(stream.aid)
            .arg(stream.language, stream.format, stream.channels);
    }
    case PlayerOutputCode::SubtitleCount:
        title.subtitleCount = clip.subtitleCount;
        marks.subtitleCount = true;
        return QString();
    case PlayerOutputCode::SubtitleStream: {
        SubtitleInfo subtitle;
        subtitle.streamNumber = clip.subtitle.streamNumber;
        subtitle.sid = clip.subtitle.sid;
        subtitle.language = clip.subtitle.language;
        title.subtitleStreams.append(subtitle);
        return PlayerWidget::tr("Info: detected subtitle %1 in this DVD title - language %2.")
            .arg(subtitle.sid)
            .arg(subtitle.language);
    }
    default:
        return QString();
    }
}

} // namespace

// Unless everything is shown, the DVD libraries' own chatter is left out of the console;
// the line still counts where lines are counted.
void PlayerWidget::logDvdStdErr(const QByteArray &line)
{
    QString text = simplifiedText(line);
    if (verbosity != LogLevel::Verbose
        && (text.startsWith(QLatin1String("libdvdread:")) || text.startsWith(QLatin1String("libdvdnav:"))
            || text.startsWith(QLatin1String("libdvdcss:"))))
        text.clear();
    logStdErr(text, LogLevel::Normal);
}

bool PlayerWidget::loadDvd(const QString &path)
{
    const QString failureText = tr("Failed to access DVD from:\n%1").arg(path);
    log(tr("Start loading DVD."), LogLevel::Normal);
    qCDebug(lcPlayer) << "PlayerWidget::loadDvd() access DVD and get title number";
    Player dvdPlayer(player->backendType(), mplayerBinPath, mediaInfoBinPath, ffprobeBinPath,
                     stdInConsole, stdOutConsole, stdErrConsole, logConsole, verbosity,
                     preferences.latencyStart, preferences.latencyFinished, preferences.latencyKill);
    dvdPlayer.setBackendBinary(mplayerBinPath);
    dvdPlayer.setSourceDvdTitle(path, kDvdKind, 1);
    dvdPlayer.disableAudio();
    dvdPlayer.disableVideo();
    dvdPlayer.disableSubtitle();
    DiskInfo disk;
    disk.kind = kDvdKind;
    disk.titleCount = 0;
    qCDebug(lcPlayer) << "PlayerWidget::loadDvd() reset disk info data";

    const QString windowId = QString::number(renderer->winId());
    QString program;
    QStringList arguments;
    dvdPlayer.setWid(windowId);
    dvdPlayer.cliCmdIdentify(&program, &arguments);
    echoCommand(program, arguments);
    qCDebug(lcPlayer) << "Start DVD loading process" << program << arguments;
    {
        LoadProcess run;
        if (!run.start(program, arguments, preferences.latencyStart)) {
            qCDebug(lcPlayer) << "Failed to open DVD [process start timed-out]";
            log(tr("Failed to open DVD (process start timed-out)."), LogLevel::Quiet);
            log(tr("Try to increase player latency (start) in timing preferences."), LogLevel::Quiet);
            showLoadFailure(failureText, tr("Try to increase player latency (start) in timing preferences."));
            return false;
        }
        if (!run.finish(preferences.latencyFinished + kDiscRunExtraMs)) {
            log(tr("Failed to stop open DVD process softly in %1 milliseconds.").arg(preferences.latencyFinished),
                LogLevel::Quiet);
            log(tr("Try to increase player latency (finished) in timing preferences."), LogLevel::Quiet);
            log(tr("Kill open DVD process."), LogLevel::Verbose);
            log(tr("Send a kill command to open DVD process."), LogLevel::Verbose);
        }
        QByteArray line;
        while (run.readLine(QProcess::StandardError, &line))
            logDvdStdErr(line);
        while (run.readLine(QProcess::StandardOutput, &line)) {
            QCoreApplication::processEvents();
            logStdOut(simplifiedText(line), LogLevel::Normal);
            int code = PlayerOutputCode::Ignored;
            if (!dvdPlayer.parseStdoutDisk(line, &code, &disk)) {
                qCDebug(lcPlayer) << "PlayerWidget: failed to parse player output" << line;
                log(tr("Failed to parse player output [%1]").arg(QString::fromUtf8(line)), LogLevel::Normal);
                continue;
            }
            const int current = disk.currentTitle;
            DiskTitle *entry = disk.title(current);
            switch (code) {
            case PlayerOutputCode::DvdTitleCount:
                log(tr("Info: detected %1 titles in the DVD.").arg(disk.titleCount), LogLevel::Quiet);
                break;
            case PlayerOutputCode::DvdVolumeId:
                log(tr("Info: detected DVD volume identifier (%1).").arg(disk.volumeId), LogLevel::Verbose);
                break;
            case PlayerOutputCode::ChapterCount:
                if (entry)
                    log(tr("Info: detected %1 chapters in title %2.").arg(entry->chapters).arg(current),
                        LogLevel::Verbose);
                break;
            case PlayerOutputCode::AngleCount:
                if (entry)
                    log(tr("Info: detected %1 angle(s) in title %2.").arg(entry->angles).arg(current),
                        LogLevel::Verbose);
                break;
            case PlayerOutputCode::Length: {
                if (!entry)
                    break;
                stepProgress();
                entry->ignored = preferences.ignoreShortTitles && preferences.titleMinimumLength > entry->length;
                const DiskTitle *main = disk.title(disk.mainTitle);
                if (!main || entry->length > main->length)
                    disk.mainTitle = current;
                if (entry->ignored)
                    log(tr("Info: title %1 will be ignored because too short [%2].")
                            .arg(current)
                            .arg(durationText(entry->length)),
                        LogLevel::Quiet);
                else
                    log(tr("Info: detected DVD title %1 [%2].").arg(current).arg(durationText(entry->length)),
                        LogLevel::Quiet);
                break;
            }
            default:
                break;
            }
        }
        run.close();
    }

    if (disk.titleCount < 1) {
        log(tr("Can't get DVD title number."), LogLevel::Quiet);
        showLoadFailure(failureText, tr("Player engine couldn't get DVD title number."));
        return false;
    }

    // A count beyond what a DVD can hold names titles no answer can describe: only the
    // titles the disc record holds are loaded.
    titleCount = qMin(disk.titleCount, int(DiskInfo::MaxTitles));
    mediaKind = disk.kind;
    mainTitle = disk.mainTitle;
    sourceName = disk.volumeId;
    titles.clear();
    movieInfo.reset();
    noVideo = false;
    // A DVD folder authored on disk has no volume identifier: it is known by its path.
    if (sourceName.isEmpty())
        sourceName = path;
    log(tr("Start loading all DVD titles."), LogLevel::Verbose);
    if (progressWidget)
        progressWidget->extendMaximum(titleCount + 2);

    for (int n = 1; n <= titleCount; ++n) {
        if (dvdLoadAborted) {
            log(tr("Loading DVD aborted by user."), LogLevel::Quiet);
            delete progressWidget;
            progressWidget = nullptr;
            return false;
        }
        stepProgress();
        loadDvdTitle(dvdPlayer, path, *disk.title(n), n, windowId);
    }

    stepProgress();
    if (mainTitle >= 1 && mainTitle <= titles.size())
        videoSize = titles.at(mainTitle - 1).displaySize();
    player->readMediaInfoData(path);
    stepProgress();

    const bool anyTitle = std::any_of(titles.cbegin(), titles.cend(),
                                      [](const TitleInfo &title) { return !title.ignored; });
    if (!anyTitle) {
        log(tr("Failed to load DVD (try slower timing preferences or rip on hard-drive first)"), LogLevel::Quiet);
        showNoTitleFailure(path, disk);
        return false;
    }
    log(tr("DVD loaded, ready to play [%1].").arg(sourceName), LogLevel::Quiet);
    stepProgress();
    return true;
}

// Nothing is left to offer: the user is told why, and for titles the short-title filter
// took, which limit did it and where it is changed.
void PlayerWidget::showNoTitleFailure(const QString &path, const DiskInfo &disk)
{
    double longest = 0.0;
    bool allTooShort = titleCount > 0;
    for (int n = 1; n <= titleCount; ++n) {
        const DiskTitle *entry = disk.title(n);
        allTooShort = allTooShort && entry && entry->ignored;
        if (entry)
            longest = std::max(longest, entry->length);
    }
    const QString failure = tr("Failed to load DVD from:\n%1").arg(path);
    if (!allTooShort) {
        showLoadFailure(failure, tr("The player engine could not read any title of this DVD. Try slower "
                                    "timing preferences or rip it on hard-drive first."));
        return;
    }
    showLoadFailure(failure,
                    tr("Every title of this DVD is shorter than the short-title limit of %1 seconds (the "
                       "longest lasts %2), so none is offered. Lower the limit or untick it in Options > "
                       "Preferences, General tab, DVD preferences: \"Short titles to ignore\".")
                        .arg(QString::number(preferences.titleMinimumLength, 'g', 6), durationText(longest)));
}

void PlayerWidget::loadDvdTitle(Player &dvdPlayer, const QString &path, const DiskTitle &entry, int n,
                                const QString &windowId)
{
    qCDebug(lcPlayer) << "Create title info data structure for title" << n;
    TitleInfo record;
    record.number = n;
    record.length = entry.length;
    record.ignored = entry.ignored;
    record.chapters = entry.chapters;
    record.angles = entry.angles;
    audioIndex = 0;
    titles.append(record);
    TitleInfo &title = titles.last();
    if (title.ignored)
        return;

    dvdPlayer.setSourceDvdTitle(path, kDvdKind, n);
    log(tr("Load DVD title %1.").arg(n), LogLevel::Verbose);
    dvdPlayer.setWid(windowId);
    QString program;
    QStringList arguments;
    dvdPlayer.cliCmdIdentify(&program, &arguments);
    echoCommand(program, arguments);
    LoadProcess run;
    if (!run.start(program, arguments, preferences.latencyStart)) {
        qCDebug(lcPlayer) << "Failed to load DVD title" << n << "[process start timed-out]";
        log(tr("Failed to load DVD title %1 (process start timed-out).").arg(n), LogLevel::Quiet);
        title.ignored = true;
        return;
    }
    run.write(dvdPlayer.cliGetDeinterlace());
    if (!run.finish(kTitleRunMs)) {
        log(tr("Failed to stop DVD title %1 loading process softly in %2 milliseconds.").arg(n).arg(kTitleRunMs),
            LogLevel::Quiet);
        log(tr("Try to increase player latency (finished) in timing preferences."), LogLevel::Quiet);
        log(tr("Kill DVD title %1 loading process.").arg(n), LogLevel::Verbose);
        log(tr("Send a kill command to DVD checking process."), LogLevel::Normal);
    }

    int errorCount = 0;
    QByteArray line;
    while (run.readLine(QProcess::StandardError, &line)) {
        logDvdStdErr(line);
        int code = PlayerOutputCode::Ignored;
        QString text;
        dvdPlayer.parseStderr(line, &code, &text);
        // The warnings every run of the Linux build prints are no errors of this title.
        if (code == PlayerOutputCode::PlatformNoise)
            continue;
        if (++errorCount > preferences.maxLoadErrorLines) {
            qCDebug(lcPlayer) << "PlayerWidget: too many errors while loading DVD title" << n;
            log(tr("DVD title %1 not loaded, too many player backend errors.").arg(n), LogLevel::Quiet);
            title.ignored = true;
            return;
        }
    }

    TitleMarks marks;
    bool complete = false;
    while (!complete && run.readLine(QProcess::StandardOutput, &line)) {
        QCoreApplication::processEvents();
        logStdOut(simplifiedText(line), LogLevel::Normal);
        ClipInfo clip;
        clip.kind = kDvdKind;
        int code = PlayerOutputCode::Ignored;
        if (!dvdPlayer.parseStdoutClip(line, &code, &clip)) {
            qCDebug(lcPlayer) << "PlayerWidget: failed to parse player output" << line;
            log(tr("Failed to parse player output [%1]").arg(QString::fromUtf8(line).trimmed()), LogLevel::Normal);
            continue;
        }
        const QString info = applyTitleAnswer(code, clip, n, title, marks);
        if (!info.isEmpty())
            log(info, LogLevel::Verbose);
        complete = marks.complete(title);
        if (complete)
            log(tr("Info: DVD title %1 info is complete.").arg(n), LogLevel::Normal);
    }
    run.close();

    if (title.audioStreams.size() != title.audioCount) {
        log(tr("Can't parse data for all %1 audio streams").arg(title.audioCount), LogLevel::Normal);
        log(tr("Info: successfully loaded data for %1 audio streams").arg(title.audioStreams.size()),
            LogLevel::Normal);
        title.audioCount = int(title.audioStreams.size());
    }
    if (title.subtitleStreams.size() != title.subtitleCount) {
        log(tr("Can't parse data for all %1 subtitle streams").arg(title.subtitleCount), LogLevel::Normal);
        log(tr("Info: successfully loaded data for %1 subtitle streams").arg(title.subtitleStreams.size()),
            LogLevel::Normal);
        title.subtitleCount = int(title.subtitleStreams.size());
    }
    if (!complete)
        title.ignored = true;

    for (int a = 0; a < title.audioCount; ++a)
        loadDvdAudioDetails(dvdPlayer, title, a);
}

// One playback run of an audio stream, stopped at once: its "AUDIO:" line gives the
// stream's bit rate and sampling rate. The run selects the stream it describes.
void PlayerWidget::loadDvdAudioDetails(Player &dvdPlayer, TitleInfo &title, int stream)
{
    audioIndex = stream;
    QString program;
    QStringList arguments;
    dvdPlayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
    // The facade leaves the stream choice out while audio output is off, so the run names
    // the stream itself: otherwise every run would describe the title's first stream.
    arguments.prepend(QString::number(title.audioStreams.at(stream).aid));
    arguments.prepend(QStringLiteral("-aid"));
    LoadProcess run;
    if (!run.start(program, arguments, preferences.latencyStart))
        return;
    run.write(dvdPlayer.cliQuit());
    run.finish(preferences.latencyFinished);
    QByteArray line;
    while (run.readLine(QProcess::StandardOutput, &line)) {
        ClipInfo clip;
        clip.kind = kDvdKind;
        int code = PlayerOutputCode::Ignored;
        if (!dvdPlayer.parseStdoutClip(line, &code, &clip)) {
            qCDebug(lcPlayer) << "PlayerWidget: failed to parse DVD title audio output" << line;
            log(tr("Failed to parse DVD title audio output [title %1 audio #%2]").arg(title.number).arg(stream),
                LogLevel::Normal);
            continue;
        }
        if (code != PlayerOutputCode::AudioDetails)
            continue;
        AudioInfo &details = title.audioStreams[stream];
        details.bitrate = clip.audio.bitrate;
        details.samplingRate = clip.audio.samplingRate;
        log(tr("Info: detected audio main stream details - %1 Hz %2 kbps")
                .arg(clip.audio.samplingRate)
                .arg(clip.audio.bitrate),
            LogLevel::Verbose);
    }
    run.close();
}
